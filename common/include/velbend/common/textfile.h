// Whole-file reading and writing of the machine's plain text files.
#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velbend {

// Reads the whole file as bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& p);

// Calls f(line) for each line of bytes, in order, without building a list:
// CR LF and LF both end a line, a lone CR is kept as data, a UTF-8 BOM at the
// start is skipped, and text after the last line end is a line of its own
// while a final line end invents no empty line.
template <class F>
void ForEachLine(std::string_view bytes, F&& f) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t lf = bytes.find('\n', start);
        if (lf == std::string_view::npos) {
            f(bytes.substr(start));
            return;
        }
        size_t end = lf;
        if (end > start && bytes[end - 1] == '\r') --end;
        f(bytes.substr(start, end - start));
        start = lf + 1;
    }
}

// The lines of bytes as ForEachLine walks them.
std::vector<std::string_view> SplitLines(std::string_view bytes);

// Fields of a line split at single blanks; two blanks in a row give an empty
// field.  The first N fields are kept (views into the line, no allocation);
// operator[] gives an empty view past the end, `count` is the number of
// fields in the whole line (an empty line is one empty field).
template <int N>
class BlankFields {
public:
    explicit BlankFields(std::string_view line) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t sp = line.find(' ', start);
            const std::string_view field =
                line.substr(start, sp == std::string_view::npos ? std::string_view::npos : sp - start);
            if (count < N) f_[count] = field;
            ++count;
            if (sp == std::string_view::npos) break;
            start = sp + 1;
        }
    }
    std::string_view operator[](int i) const { return i >= 0 && i < count && i < N ? f_[i] : std::string_view(); }
    int count = 0;

private:
    std::string_view f_[N];
};

// Line-by-line reader over bytes it owns (Line Input #).
class LineReader {
public:
    explicit LineReader(std::string bytes);
    static std::optional<LineReader> Open(const std::filesystem::path& p);
    bool AtEnd() const { return next_ >= lines_.size(); }   // EOF()
    // Next line without its line end; nullopt at the end of the file.
    std::optional<std::string_view> Next();
    std::size_t LineCount() const { return lines_.size(); }
    std::size_t Index() const { return next_; }
private:
    std::string bytes_;
    std::vector<std::string_view> lines_;
    std::size_t next_ = 0;
};

// Sequential item reader (Input #): items are separated by commas and line
// ends; blanks around an item are skipped; a double-quoted item keeps its
// commas; an empty line is an empty item.  Reading past the end yields nullopt and sets a flag instead of
// failing, so files written by older versions that end early still load.
class ItemReader {
public:
    explicit ItemReader(std::string bytes);
    static std::optional<ItemReader> Open(const std::filesystem::path& p);
    bool AtEnd() const;                         // EOF(): only blanks/line ends left
    std::optional<std::string> NextItem();      // raw bytes of the item
    // A number item (Input # into a numeric variable): it ends at the first
    // blank, comma or line end; Val of that text.
    std::optional<double> NextNumber();
    bool RanShort() const { return ranShort_; } // an item was asked past the end
private:
    std::string bytes_;
    std::size_t pos_ = 0;
    bool ranShort_ = false;
};

// Builds a file's bytes line by line; every line is ended by CR LF.
class TextBuilder {
public:
    TextBuilder& Line(std::string_view s);      // raw bytes + CR LF
    TextBuilder& LineUtf8(std::string_view s);  // converted to GBK + CR LF
    const std::string& bytes() const { return b_; }
    std::string& bytes() { return b_; }
private:
    std::string b_;
};

// Atomic whole-file write: a temporary file in the same folder, flushed
// (fsync) and renamed over the old file.  An existing file keeps its
// permissions; a new one gets rw-rw-rw- less the umask.  On any failure the old file is
// untouched, the temporary removed, false returned and *error (if given)
// holds a short reason.
bool WriteFileAtomic(const std::filesystem::path& p, std::string_view bytes,
                     std::string* error = nullptr);
// The same for a file that the caller then renames over `replaced` itself:
// it takes the permissions of `replaced` where that is a regular file (else
// as WriteFileAtomic gives p's).
bool WriteFileAtomicLike(const std::filesystem::path& p, std::string_view bytes,
                         const std::filesystem::path& replaced, std::string* error = nullptr);
// The same for a file that only its owner may read (passwords): the new
// file is rw------- whatever the old one's permissions were, also while it
// is being written.
bool WriteFileAtomicPrivate(const std::filesystem::path& p, std::string_view bytes,
                            std::string* error = nullptr);

// WriteFileAtomic in two steps, for a caller with something to do between
// the flushed bytes and the rename: the bytes are written and flushed to a
// temporary file beside p at once (ok() says whether they are; *error says
// why not), and Commit renames it over p, durably.  Until then p is
// untouched; a staged file never committed is removed with the object, and
// one that a killed program left is removed by RemoveWriteLeftovers.
class StagedFile {
public:
    StagedFile(std::filesystem::path p, std::string_view bytes, std::string* error = nullptr);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    bool ok() const { return !tmp_.empty(); }
    bool Commit(std::string* error = nullptr);

private:
    std::filesystem::path p_;
    std::string tmp_;
};

// Makes renames and removals in a folder durable (fsync of the folder).
void SyncFolder(const std::filesystem::path& dir);
// Removes the temporary files that interrupted atomic writes left in `dir`:
// only regular files named ".<name>.tmpXXXXXX" (six letters or digits).
void RemoveWriteLeftovers(const std::filesystem::path& dir);
// Keeps the file `from` also under the name `to` (a hard link, or a copy
// where the file system has none).  An existing `to` is never replaced:
// false then, as on any failure (*error says why).
bool KeepFileAs(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string* error = nullptr);

}  // namespace velbend
