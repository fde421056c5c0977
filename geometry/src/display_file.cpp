// Shared pieces of the outline work-file writers and readers.
#include "display_file.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
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

bool ReadWorkFile(std::string_view name, std::string& bytes, Fault* fault) {
    auto b = ReadFileBytes(ProgramFile(name));
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

bool WriteWorkFile(std::string_view name, std::string_view bytes, Operator& op, int16_t language,
                   std::string_view replaced) {
    std::string why;
    const bool written = replaced.empty() ? WriteFileAtomic(ProgramFile(name), bytes, &why)
                                          : WriteFileAtomicLike(ProgramFile(name), bytes, ProgramFile(replaced), &why);
    if (written) return true;
    ShowFault(op, language,
              {"文件保存失败：" + std::string(name) + "（" + why + "）",
               "Cannot write the file " + std::string(name) + " (" + why + ")"});
    return false;
}

bool ReplaceDisplayFile(std::string_view bytes, Operator& op, int16_t language) {
    if (!WriteWorkFile("PointForDisplay0.dat", bytes, op, language, "PointForDisplay.dat")) return false;
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
