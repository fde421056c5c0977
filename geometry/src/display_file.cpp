// Shared pieces of the outline work-file writers and readers.
#include "display_file.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
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
    // 15 significant digits: d.dddddddddddddde+XX
    char sci[40];
    auto r = std::to_chars(sci, sci + sizeof sci - 1, std::fabs(v), std::chars_format::scientific, 14);
    *r.ptr = '\0';
    char* e = sci;
    while (e < r.ptr && *e != 'e') ++e;
    int exp10 = std::atoi(e + 1) + 1;  // point after exp10 digits
    // digits[0..] with the decimal point after `point`.
    char digits[420];
    int len = 0;
    int point = exp10;
    if (point <= 0) {
        for (int i = 0; i < -point + 1; ++i) digits[len++] = '0';
        point = 1;
    }
    digits[len++] = sci[0];
    for (char* p = sci + 2; p < e; ++p) digits[len++] = *p;
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
