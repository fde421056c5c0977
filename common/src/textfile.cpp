// Whole-file reading and writing of the machine's plain text files.
#include "velbend/common/textfile.h"

#include "velbend/common/codepage.h"
#include "velbend/common/numtext.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <utility>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace velbend {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::optional<std::string> ReadFileBytes(const std::filesystem::path& p) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Sized from the file itself, with one byte of room for the read that
    // finds the end: one allocation and no copy unless the file grows.
    std::string out;
    out.resize(static_cast<size_t>(st.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == out.size()) out.resize(out.size() + 65536);  // the file grew meanwhile
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    out.resize(got);
    return out;
}

std::vector<std::string_view> SplitLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    ForEachLine(bytes, [&](std::string_view line) { lines.push_back(line); });
    return lines;
}

LineReader::LineReader(std::string bytes) : bytes_(std::move(bytes)) {
    lines_ = SplitLines(bytes_);
}

std::optional<LineReader> LineReader::Open(const std::filesystem::path& p) {
    auto b = ReadFileBytes(p);
    if (!b) return std::nullopt;
    return LineReader(std::move(*b));
}

std::optional<std::string_view> LineReader::Next() {
    if (next_ >= lines_.size()) return std::nullopt;
    return lines_[next_++];
}

ItemReader::ItemReader(std::string bytes) : bytes_(std::move(bytes)) {
    if (std::string_view(bytes_).substr(0, kBom.size()) == kBom) pos_ = kBom.size();
}

std::optional<ItemReader> ItemReader::Open(const std::filesystem::path& p) {
    auto b = ReadFileBytes(p);
    if (!b) return std::nullopt;
    return ItemReader(std::move(*b));
}

bool ItemReader::AtEnd() const {
    for (size_t i = pos_; i < bytes_.size(); ++i) {
        char c = bytes_[i];
        if (!IsBlank(c) && c != '\r' && c != '\n') return false;
    }
    return true;
}

namespace {

// After an item: skip blanks; a comma or one line end (CR LF, LF or CR)
// that follows is the item's delimiter and is consumed.
void SkipDelimiter(const std::string& b, size_t& pos) {
    while (pos < b.size() && IsBlank(b[pos])) ++pos;
    if (pos >= b.size()) return;
    if (b[pos] == ',') {
        ++pos;
    } else if (b[pos] == '\r') {
        ++pos;
        if (pos < b.size() && b[pos] == '\n') ++pos;
    } else if (b[pos] == '\n') {
        ++pos;
    }
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::optional<std::string> ItemReader::NextItem() {
    while (pos_ < bytes_.size() && IsBlank(bytes_[pos_])) ++pos_;
    if (pos_ >= bytes_.size()) {
        ranShort_ = true;
        return std::nullopt;
    }
    std::string item;
    if (bytes_[pos_] == '"') {
        ++pos_;
        size_t close = bytes_.find('"', pos_);
        size_t end = close;
        // An unclosed quote runs to the line end.
        if (close == std::string::npos) end = bytes_.size();
        size_t le = pos_;
        while (le < end && !IsLineEnd(bytes_[le])) ++le;
        if (close == std::string::npos || le < close) {
            item = bytes_.substr(pos_, le - pos_);
            pos_ = le;
        } else {
            item = bytes_.substr(pos_, close - pos_);
            pos_ = close + 1;
            // Anything up to the delimiter after the closing quote is dropped.
            while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
        }
    } else {
        size_t start = pos_;
        while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
        size_t end = pos_;
        while (end > start && IsBlank(bytes_[end - 1])) --end;
        item = bytes_.substr(start, end - start);
    }
    SkipDelimiter(bytes_, pos_);
    return item;
}

std::optional<double> ItemReader::NextNumber() {
    while (pos_ < bytes_.size() && IsBlank(bytes_[pos_])) ++pos_;
    if (pos_ >= bytes_.size()) {
        ranShort_ = true;
        return std::nullopt;
    }
    // A number ends at the first blank, comma or line end.
    size_t start = pos_;
    while (pos_ < bytes_.size() && !IsBlank(bytes_[pos_]) && bytes_[pos_] != ',' &&
           !IsLineEnd(bytes_[pos_]))
        ++pos_;
    std::string_view field(bytes_.data() + start, pos_ - start);
    if (!field.empty() && field.front() == '"') field.remove_prefix(1);
    double v = Val(field);
    SkipDelimiter(bytes_, pos_);
    return v;
}

TextBuilder& TextBuilder::Line(std::string_view s) {
    b_.append(s);
    b_.append("\r\n");
    return *this;
}

TextBuilder& TextBuilder::LineUtf8(std::string_view s) {
    return Line(Utf8ToGbk(s));
}

namespace {

constexpr std::string_view kTempMark = ".tmp";
constexpr std::size_t kTempSuffix = 6;
constexpr std::string_view kTempChars = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Creates the temporary file ".<name>.tmpXXXXXX" beside p, created with
// `mode` (the umask applies); the descriptor, or -1 with errno set.
int CreateTemp(const std::filesystem::path& dir, const std::filesystem::path& p, mode_t mode,
               std::string& tmp) {
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        unsigned long long x = 0;
        if (::getrandom(&x, sizeof x, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof x)) {
            timespec ts {};
            ::clock_gettime(CLOCK_REALTIME, &ts);
            x = static_cast<unsigned long long>(ts.tv_nsec) ^ (static_cast<unsigned long long>(::getpid()) << 32) ^
                (attempt * 7919ULL);
        }
        std::string suffix;
        for (std::size_t i = 0; i < kTempSuffix; ++i, x /= kTempChars.size()) suffix += kTempChars[x % kTempChars.size()];
        tmp = (dir / ("." + p.filename().string() + std::string(kTempMark) + suffix)).string();
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The permissions of p when it is a regular file: what a file that
// replaces it keeps.
std::optional<mode_t> KeptMode(const std::filesystem::path& p) {
    struct stat st {};
    if (::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 07777;
    return std::nullopt;
}

std::filesystem::path FolderOf(const std::filesystem::path& p) {
    std::filesystem::path dir = p.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

bool Fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// The first half of an atomic write: the bytes written and flushed to a new
// temporary file beside p (its name in tmp), which gets `mode` once it
// exists (none: rw-rw-rw- less the umask) and stays owner-only until then.
bool StageBytes(const std::filesystem::path& p, std::string_view bytes, std::optional<mode_t> mode,
                std::string& tmp, std::string* error) {
    const std::filesystem::path dir = FolderOf(p);
    int fd = CreateTemp(dir, p, mode ? 0600 : 0666, tmp);
    if (fd < 0) {
        tmp.clear();
        return Fail(error, "cannot create a file in " + dir.string(), errno);
    }
    if (mode) ::fchmod(fd, *mode);
    auto undo = [&](const std::string& what, int err) {
        ::unlink(tmp.c_str());
        tmp.clear();
        return Fail(error, what, err);
    };
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            return undo("cannot write " + p.string(), err);
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        return undo("cannot flush " + p.string(), err);
    }
    if (::close(fd) != 0) return undo("cannot close " + p.string(), errno);
    return true;
}

// The second half: the staged file renamed over p, the rename made durable;
// on failure the staged file is removed.
bool CommitStaged(std::string& tmp, const std::filesystem::path& p, std::string* error) {
    const bool ok = ::rename(tmp.c_str(), p.c_str()) == 0;
    const int err = errno;
    if (!ok) ::unlink(tmp.c_str());
    tmp.clear();
    if (!ok) return Fail(error, "cannot replace " + p.string(), err);
    SyncFolder(FolderOf(p));  // the rename itself durable
    if (error) error->clear();
    return true;
}

bool WriteAtomic(const std::filesystem::path& p, std::string_view bytes, std::string* error,
                 std::optional<mode_t> mode) {
    std::string tmp;
    return StageBytes(p, bytes, mode, tmp, error) && CommitStaged(tmp, p, error);
}

}  // namespace

bool WriteFileAtomic(const std::filesystem::path& p, std::string_view bytes, std::string* error) {
    return WriteAtomic(p, bytes, error, KeptMode(p));
}

bool WriteFileAtomicLike(const std::filesystem::path& p, std::string_view bytes,
                         const std::filesystem::path& replaced, std::string* error) {
    auto mode = KeptMode(replaced);
    return WriteAtomic(p, bytes, error, mode ? mode : KeptMode(p));
}

bool WriteFileAtomicPrivate(const std::filesystem::path& p, std::string_view bytes, std::string* error) {
    return WriteAtomic(p, bytes, error, 0600);
}

StagedFile::StagedFile(std::filesystem::path p, std::string_view bytes, std::string* error)
    : p_(std::move(p)) {
    StageBytes(p_, bytes, KeptMode(p_), tmp_, error);
}

StagedFile::~StagedFile() {
    if (!tmp_.empty()) ::unlink(tmp_.c_str());
}

bool StagedFile::Commit(std::string* error) {
    if (tmp_.empty()) return Fail(error, "nothing staged for " + p_.string(), EINVAL);
    return CommitStaged(tmp_, p_, error);
}

void SyncFolder(const std::filesystem::path& dir) {
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd);
    ::close(dfd);
}

namespace {

// ".<name>.tmpXXXXXX", as CreateTemp names them.
bool IsWriteLeftover(std::string_view name) {
    const std::size_t tail = kTempMark.size() + kTempSuffix;
    if (name.size() < 2 + tail || name.front() != '.') return false;
    if (name.substr(name.size() - tail, kTempMark.size()) != kTempMark) return false;
    for (char c : name.substr(name.size() - kTempSuffix))
        if (kTempChars.find(c) == std::string_view::npos) return false;
    return true;
}

}  // namespace

void RemoveWriteLeftovers(const std::filesystem::path& dir) {
    std::error_code ec;
    std::vector<std::filesystem::path> gone;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        if (e.is_regular_file(ec) && !e.is_symlink(ec) && IsWriteLeftover(e.path().filename().string()))
            gone.push_back(e.path());
    }
    for (const auto& p : gone) std::filesystem::remove(p, ec);
}

bool KeepFileAs(const std::filesystem::path& from, const std::filesystem::path& to, std::string* error) {
    if (::link(from.c_str(), to.c_str()) == 0) {
        SyncFolder(to.parent_path());
        return true;
    }
    const int err = errno;
    if (err != EEXIST) {
        // A file system without hard links: a copy of the bytes.
        std::error_code ec;
        auto bytes = ReadFileBytes(from);
        if (bytes && !std::filesystem::exists(to, ec) && WriteFileAtomicLike(to, *bytes, from, error)) return true;
    }
    if (error) *error = "cannot keep " + from.string() + " as " + to.string() + ": " + std::strerror(err);
    return false;
}

}  // namespace velbend
