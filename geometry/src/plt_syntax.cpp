// The syntax of HP-GL: commands and their parameters.
#include "plt_syntax.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "display_file.h"

namespace velbend::geo {

namespace {

// The mnemonics of HP-GL and HP-GL/2.
bool IsMnemonic(char c0, char c1) {
    static constexpr std::string_view kMnemonics =
        "AAACADAFAHAPARASATBLBPBRBZCACCCFCICMCOCPCRCSCTCVDCDFDIDLDPDRDSDTDVEAECEPERESEWFIFNFPFRFSFTGCGMGPIMINIPIR"
        "IVIWKYLALBLMLOLTMCMGMTNPNROAOCODOEOFOGOHOIOLOOOPOSOTOWPAPBPCPDPEPGPMPPPRPSPTPUPWQLRARFRORPRRRTSASBSCSDSG"
        "SISLSMSPSRSSSTSVTDTLTRUCUFULVSWDWGWUXTYT";
    for (size_t i = 0; i + 1 < kMnemonics.size(); i += 2)
        if (kMnemonics[i] == c0 && kMnemonics[i + 1] == c1) return true;
    return false;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A character of a word: two letters followed or preceded by one are a part
// of that word, no mnemonic.
bool IsWordChar(char c) { return IsLetter(c) || c == '_'; }
char Upper(char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); }

// Whether the letter at k ends a printer escape sequence ("\x1b%0B",
// "\x1bE"): a command directly after it stands after a command.
bool EndsEscape(std::string_view line, size_t k) {
    constexpr size_t kLongest = 16;
    for (size_t j = k; j > 0 && k - j < kLongest; --j) {
        const char c = line[j - 1];
        if (c == '\x1b') return true;
        if (!((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == '%' || c == '&' || c == '(' ||
              c == ')' || c == '*'))
            return false;
    }
    return false;
}

// DT and SM take one character of their own (a terminator, a symbol) unless
// a terminator, NUL or escape comes first.
bool TakesCharacter(char c0, char c1) { return (c0 == 'D' && c1 == 'T') || (c0 == 'S' && c1 == 'M'); }
bool GivesCharacter(std::string_view line, size_t p) {
    return p < line.size() && line[p] != ';' && line[p] != '\0' && line[p] != '\x1b';
}

// Whether the two letters at k of a line stand as a command by what
// follows them: parameters, a terminator, a blank, the line's end, or a
// mnemonic that stands itself ("PUSP0"), not the rest of a word ("SET",
// "LOAD_").  LB and PE take any text.  The
// letters that a run of mnemonics shares are looked at once: every
// mnemonic of one run gets the run's verdict.
class Standing {
public:
    bool At(std::string_view line, long long lineNo, size_t k) {
        if (lineNo == lineNo_ && std::binary_search(run_.begin(), run_.end(), k)) return verdict_;
        lineNo_ = lineNo;
        run_.clear();
        verdict_ = Walk(line, k);
        return verdict_;
    }

private:
    bool Walk(std::string_view line, size_t k) {
        for (;;) {
            run_.push_back(k);
            const char c0 = Upper(line[k]), c1 = Upper(line[k + 1]);
            if ((c0 == 'L' && c1 == 'B') || (c0 == 'P' && c1 == 'E')) return true;
            size_t a = k + 2;
            if (TakesCharacter(c0, c1) && GivesCharacter(line, a)) ++a;
            if (a >= line.size() || !IsWordChar(line[a])) return true;
            const bool pair = a + 1 < line.size() && IsLetter(line[a]) && IsLetter(line[a + 1]);
            if (pair && IsMnemonic(Upper(line[a]), Upper(line[a + 1]))) {
                k = a;
                continue;
            }
            // A mnemonic with one letter for its parameter ("PDx;"), which
            // it reads as a number, still stands; a longer word does not.
            return !pair && IsLetter(line[a]) && (a + 1 >= line.size() || !IsWordChar(line[a + 1])) &&
                   IsMnemonic(c0, c1);
        }
    }

    long long lineNo_ = -1;
    std::vector<size_t> run_;  // ascending
    bool verdict_ = false;
};

}  // namespace

bool IsWholeNumber(std::string_view s) {
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) s.remove_prefix(1);
    if (s.empty() || !((s[0] >= '0' && s[0] <= '9') || s[0] == '.')) return false;
    double v = 0;
    return std::from_chars(s.data(), s.data() + s.size(), v).ptr == s.data() + s.size();
}

bool Numbers(std::string_view args, std::vector<double>& out) {
    out.clear();
    return ForEachParameter(args, [&](std::string_view param) {
        out.push_back(NumPrefix(param));
        return IsWholeNumber(param);
    });
}

bool ForEachPltCommand(std::string_view plt, const std::function<bool(const PltCommand&)>& f, PltSyntax* syntax) {
    PltSyntax counts;
    Standing standing;
    long long lineNo = 0;
    // Labels (LB) run to their terminator (ETX, or the one DT sets), over
    // line ends; a label whose terminator comes nowhere after it ends at
    // ';' or at the line end like other commands.  lastTerm[c]: where the
    // file's last c stands (looked up once per terminator).
    char terminator = '\x03';
    bool inLabel = false;
    std::vector<size_t> lastTerm(256, std::string_view::npos - 1);
    auto terminatorAfter = [&](size_t offset) {
        size_t& last = lastTerm[static_cast<unsigned char>(terminator)];
        if (last == std::string_view::npos - 1) last = plt.rfind(terminator);
        return last != std::string_view::npos && last >= offset;
    };
    // The next c at or after `from` in the line (its end when none), each c
    // looked for once per stretch of the line, so long lines cost no more
    // than short ones.
    std::vector<size_t> nextAt(256, 0);
    std::vector<long long> nextLine(256, 0);
    std::string_view line;
    auto next = [&](char c, size_t from) {
        const auto k = static_cast<unsigned char>(c);
        if (nextLine[k] != lineNo || nextAt[k] < from) {
            nextAt[k] = std::min(line.find(c, from), line.size());
            nextLine[k] = lineNo;
        }
        return nextAt[k];
    };
    // Two letters at k that are a mnemonic.
    auto mnemonicAt = [&](size_t k, size_t limit) {
        return IsLetter(line[k]) && k + 1 < limit && IsLetter(line[k + 1]) &&
               IsMnemonic(Upper(line[k]), Upper(line[k + 1]));
    };
    for (std::string_view text : SplitLines(plt)) {
        line = text;
        ++lineNo;
        size_t i = 0;
        if (inLabel) {
            const size_t t = line.find(terminator);
            if (t == std::string_view::npos) continue;
            inLabel = false;
            i = t + 1;
        }
        while (i < line.size()) {
            const char c = line[i];
            if (c == ';' || c == ' ' || c == '\t' || c == '\r') {
                ++i;
                continue;
            }
            const size_t semi = next(';', i);
            if (!(IsLetter(c) && i + 1 < line.size() && IsLetter(line[i + 1]) && standing.At(line, lineNo, i))) {
                if (IsLetter(c)) ++counts.otherText;
                i = semi;  // no command: passed over up to ';'
                continue;
            }
            const char c0 = Upper(c), c1 = Upper(line[i + 1]);
            if (IsMnemonic(c0, c1)) ++counts.hpglCommands;
            else ++counts.otherText;
            size_t p = i + 2;
            size_t end = semi;  // where the parameters end
            if (c0 == 'L' && c1 == 'B') {
                const size_t t = next(terminator, p);
                if (t < line.size()) {
                    end = t;
                } else if (terminatorAfter(static_cast<size_t>(line.data() - plt.data()) + line.size())) {
                    inLabel = true;
                    end = line.size();
                }
            } else if (!(c0 == 'P' && c1 == 'E')) {  // PE's encoded parameters run to ';'
                if (TakesCharacter(c0, c1)) {
                    // A terminator or symbol character of its own (none: the default).
                    const bool given = GivesCharacter(line, p);
                    if (c0 == 'D') terminator = given ? line[p] : '\x03';
                    if (given) ++p;
                }
                // The next command starts where a mnemonic stands: right
                // after this one's mnemonic, or after anything but a letter
                // (or the letter that ends a printer escape sequence).
                bool quoted = false;  // text in quotes holds no command
                for (end = p; end < semi; ++end) {
                    const char a = line[end];
                    if (a == '"') quoted = !quoted;
                    if (!quoted && mnemonicAt(end, semi) &&
                        (end == p || !IsWordChar(line[end - 1]) || EndsEscape(line, end - 1)) &&
                        standing.At(line, lineNo, end))
                        break;
                }
            }
            if ((c0 == 'I' && c1 == 'N') || (c0 == 'D' && c1 == 'F')) terminator = '\x03';
            std::string_view args = line.substr(std::min(p, end), end - std::min(p, end));
            while (!args.empty() && (args.back() == ' ' || args.back() == '\t' || args.back() == '\r'))
                args.remove_suffix(1);
            if (!f(PltCommand{c0, c1, args, lineNo})) {
                if (syntax) *syntax = counts;
                return false;
            }
            i = end < line.size() && line[end] == terminator && c0 == 'L' && c1 == 'B' ? end + 1 : end;
        }
    }
    if (syntax) *syntax = counts;
    return true;
}

}  // namespace velbend::geo
