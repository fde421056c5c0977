// Shared pieces of the outline work-file writers and readers.
#include "display_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <system_error>

#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

namespace velbend::geo {

const char* WrongTitle(int16_t language) { return Tr(language, "错误", "Wrong"); }

void ShowFault(Operator& op, int16_t language, const Fault& f) {
    op.MsgBox(f.Text(language), MsgButtons::Ok, MsgIcon::Critical, WrongTitle(language));
}

namespace {

// The 15 significant digits of |v| (v finite, not 0) as %.14e would print
// them: digits[0..14] and the decimal exponent of the first digit.
void FifteenDigits(double a, char* digits, int& exp10) {
    // Fast path: the shortest text that reads back as a, rounded to 15
    // digits.  It rounds like the exact binary value except when the
    // shortest text ends exactly on the halfway point (16 digits, the last
    // a 5); then the exact value decides.
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific);
    *r.ptr = '\0';
    char* e = buf;
    while (e < r.ptr && *e != 'e') ++e;
    char sig[24];
    int n = 0;
    for (char* p = buf; p < e && n < 20; ++p)
        if (*p != '.') sig[n++] = *p;
    int ex = 0;
    {
        const char* p = e + 1;
        bool neg = *p == '-';
        if (*p == '-' || *p == '+') ++p;
        while (*p >= '0' && *p <= '9') ex = ex * 10 + (*p++ - '0');
        if (neg) ex = -ex;
    }
    if (n <= 15 || !(n == 16 && sig[15] == '5')) {
        bool up = n > 15 && (sig[15] > '5' || (sig[15] == '5' && n > 16));
        for (int i = 0; i < 15; ++i) digits[i] = i < n ? sig[i] : '0';
        if (up) {
            int i = 14;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits[0] = '1';
                ++ex;
            }
        }
        exp10 = ex;
        return;
    }
    auto r2 = std::to_chars(buf, buf + sizeof buf - 1, a, std::chars_format::scientific, 14);
    *r2.ptr = '\0';
    e = buf;
    while (e < r2.ptr && *e != 'e') ++e;
    n = 0;
    for (char* p = buf; p < e && n < 15; ++p)
        if (*p != '.') digits[n++] = *p;
    exp10 = std::atoi(e + 1);
}

}  // namespace

void AppendFixed(std::string& out, double v, int decimals) {
    if (!std::isfinite(v)) {
        out.append(std::isnan(v) ? "NaN" : (v > 0 ? "Inf" : "-Inf"));
        return;
    }
    if (decimals < 0) decimals = 0;
    if (decimals > 8) decimals = 8;
    if (v == 0) {
        out.push_back('0');
        if (decimals > 0) {
            out.push_back('.');
            out.append(static_cast<size_t>(decimals), '0');
        }
        return;
    }
    char sig[15];
    int e10 = 0;
    FifteenDigits(std::fabs(v), sig, e10);
    int exp10 = e10 + 1;  // point after exp10 digits
    // digits[0..] with the decimal point after `point`.
    char digits[420];
    int len = 0;
    int point = exp10;
    if (point <= 0) {
        for (int i = 0; i < -point + 1; ++i) digits[len++] = '0';
        point = 1;
    }
    for (int i = 0; i < 15; ++i) digits[len++] = sig[i];
    int keep = point + decimals;
    if (keep < len) {
        bool up = digits[keep] >= '5';
        len = keep;
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                for (int k = len; k > 0; --k) digits[k] = digits[k - 1];
                digits[0] = '1';
                ++len;
                ++point;
            }
        }
    } else {
        while (len < keep) digits[len++] = '0';
    }
    // Integer part without leading zeros (one kept).
    int start = 0;
    while (start < point - 1 && digits[start] == '0') ++start;
    bool zero = true;
    for (int i = 0; i < len; ++i)
        if (digits[i] != '0') { zero = false; break; }
    if (v < 0 && !zero) out.push_back('-');
    out.append(digits + start, digits + point);
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits + point, digits + len);
    }
}

void AppendRounded3(std::string& out, double v) {
    const double a = std::fabs(v);
    if (a < 1e9) {
        // Three decimals of the exact value decide, unless the value lies so
        // near a halfway point that its 15-digit form could tip the rounding.
        const double q = a * 1000.0;
        const double fl = std::floor(q);
        if (std::fabs(q - fl - 0.5) > 2e-3) {
            int64_t r = static_cast<int64_t>(fl) + (q - fl > 0.5 ? 1 : 0);
            if (r != 0 && v < 0) out.push_back('-');
            char buf[24];
            auto e = std::to_chars(buf, buf + sizeof buf, r / 1000).ptr;
            out.append(buf, e);
            int f = static_cast<int>(r % 1000);
            char frac[8] = {'.', static_cast<char>('0' + f / 100), static_cast<char>('0' + f / 10 % 10),
                            static_cast<char>('0' + f % 10), '0', '0', '0', '\0'};
            out.append(frac, 7);
            return;
        }
    }
    AppendFixed(out, v, 3);
    if (std::isfinite(v)) out.append("000");
}

void AppendPointLine(std::string& out, double x, double y, bool node) {
    AppendFixed(out, x, 6);
    out.push_back(' ');
    AppendFixed(out, y, 6);
    if (node) out.append(" Node");
    out.append("\r\n");
}

void AppendHeader(std::string& out, long long n) {
    out.append("SPLINE");
    out.append(Str(n));
    out.append("\r\n");
}

std::vector<std::string_view> Lines(std::string_view bytes) { return SplitLines(bytes); }

Fields SplitFields(std::string_view line) {
    Fields fl;
    size_t start = 0;
    for (;;) {
        size_t b = line.find(' ', start);
        std::string_view part = line.substr(start, b == std::string_view::npos ? std::string_view::npos : b - start);
        if (fl.count < 3) fl.f[fl.count] = part;
        ++fl.count;
        if (b == std::string_view::npos) break;
        start = b + 1;
    }
    if (fl.count > 3) fl.count = 3;
    return fl;
}

double NumPrefix(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    s.remove_prefix(i);
    bool neg = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        neg = s[0] == '-';
        s.remove_prefix(1);
    }
    // from_chars would take "inf" and "nan"; only digits or a point may lead.
    if (s.empty() || !((s[0] >= '0' && s[0] <= '9') || s[0] == '.')) return 0;
    {
        // The usual "123.456000": at most 15 digits, no exponent.  The
        // integer of the digits divided by an exact power of ten is the
        // correctly rounded value, as from_chars would give it.
        static constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8,
                                            1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        int64_t m = 0;
        int digits = 0, frac = 0;
        bool point = false;
        size_t i = 0;
        for (; i < s.size(); ++i) {
            char c = s[i];
            if (c >= '0' && c <= '9') {
                m = m * 10 + (c - '0');
                if (++digits > 15) break;
                if (point) ++frac;
            } else if (c == '.' && !point) {
                point = true;
            } else {
                break;
            }
        }
        bool exponent = i < s.size() && (s[i] == 'e' || s[i] == 'E');
        if (digits > 0 && digits <= 15 && !exponent) {
            double v = static_cast<double>(m) / kPow10[frac];
            return neg ? -v : v;
        }
    }
    double v = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::general);
    if (r.ec == std::errc::result_out_of_range) {
        return Val(neg ? std::string("-").append(s) : std::string(s));
    }
    if (r.ec != std::errc()) return 0;
    return neg ? -v : v;
}

namespace {

// The whole file in one piece, sized from the file itself.
std::optional<std::string> ReadWhole(const std::filesystem::path& p) {
    int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string out;
    out.resize(static_cast<size_t>(st.st_size));
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

}  // namespace

bool ReadWorkFile(std::string_view name, std::string& bytes, Fault* fault) {
    auto b = ReadWhole(ProgramFile(name));
    if (!b) {
        if (fault) {
            fault->zh = "无法读取文件：" + std::string(name);
            fault->en = "Cannot read the file " + std::string(name);
        }
        return false;
    }
    bytes = std::move(*b);
    return true;
}

bool WriteWorkFile(std::string_view name, std::string_view bytes, Operator& op, int16_t language) {
    std::string why;
    if (WriteFileAtomic(ProgramFile(name), bytes, &why)) return true;
    ShowFault(op, language,
              {"文件保存失败：" + std::string(name) + "（" + why + "）",
               "Cannot write the file " + std::string(name) + " (" + why + ")"});
    return false;
}

bool ReplaceDisplayFile(std::string_view bytes, Operator& op, int16_t language) {
    if (!WriteWorkFile("PointForDisplay0.dat", bytes, op, language)) return false;
    std::error_code ec;
    std::filesystem::rename(ProgramFile("PointForDisplay0.dat"), ProgramFile("PointForDisplay.dat"), ec);
    if (ec) {
        ShowFault(op, language,
                  {"文件保存失败：PointForDisplay.dat（" + ec.message() + "）",
                   "Cannot write the file PointForDisplay.dat (" + ec.message() + ")"});
        return false;
    }
    return true;
}

}  // namespace velbend::geo
