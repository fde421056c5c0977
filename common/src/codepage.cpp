// GBK (code page 936) <-> UTF-8 through iconv.
#include "velbend/common/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace velbend {

namespace {

// One conversion descriptor per direction and thread, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) {
        cd_ = iconv_open(to, from);
        if (cd_ == reinterpret_cast<iconv_t>(-1) && std::string_view(from) == "CP936")
            cd_ = iconv_open(to, "GBK");
        if (cd_ == reinterpret_cast<iconv_t>(-1) && std::string_view(to) == "CP936")
            cd_ = iconv_open("GBK", from);
    }
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`; on a sequence it cannot take, appends `bad`, skips
    // skipLen(in, pos) bytes and clears *exact (when given).
    template <class Skip>
    std::string Run(std::string_view in, std::string_view bad, Skip skipLen, bool* exact = nullptr) {
        std::string out;
        if (exact) *exact = true;
        if (!ok()) {
            // No converter: pass ASCII through, everything else is bad.
            for (size_t i = 0; i < in.size();) {
                if (static_cast<unsigned char>(in[i]) < 0x80) { out += in[i++]; continue; }
                if (exact) *exact = false;
                out += bad;
                i += skipLen(in, i);
            }
            return out;
        }
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        size_t pos = 0;
        char buf[1024];
        while (pos < in.size()) {
            char* src = const_cast<char*>(in.data() + pos);
            size_t srcLeft = in.size() - pos;
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            int err = errno;
            out.append(buf, dst - buf);
            pos = in.size() - srcLeft;
            if (r != static_cast<size_t>(-1)) break;
            if (err == E2BIG) continue;
            // EILSEQ or EINVAL (truncated at the end): replace and go on.
            if (exact) *exact = false;
            out += bad;
            pos += skipLen(in, pos);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        // Flush any shift state (none for these encodings, but harmless).
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, dst - buf);
        return out;
    }

private:
    iconv_t cd_;
};

// Bytes of the UTF-8 character starting at i (1 for an invalid lead byte).
size_t Utf8Len(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
    // A broken or truncated sequence counts as one character: the lead byte
    // with the continuation bytes that follow it.
    size_t k = 1;
    while (k < n && i + k < s.size() && (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80) ++k;
    return k;
}

std::string FromGbk(std::string_view gbk, bool* exact) {
    thread_local Converter conv("UTF-8", "CP936");
    return conv.Run(gbk, "\xEF\xBF\xBD", [](std::string_view, size_t) { return size_t{1}; }, exact);
}

std::string ToGbk(std::string_view utf8, bool* exact) {
    thread_local Converter conv("CP936", "UTF-8");
    return conv.Run(utf8, "?", Utf8Len, exact);
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) { return FromGbk(gbk, nullptr); }

std::string Utf8ToGbk(std::string_view utf8) { return ToGbk(utf8, nullptr); }

std::optional<std::string> GbkToUtf8Exact(std::string_view gbk) {
    bool exact = true;
    std::string utf8 = FromGbk(gbk, &exact);
    if (!exact) return std::nullopt;
    return utf8;
}

bool GbkHolds(std::string_view utf8) {
    bool exact = true;
    ToGbk(utf8, &exact);
    return exact;
}

}  // namespace velbend
