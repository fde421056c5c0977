// The syntax of an NC program line.
#include "nc_syntax.h"

#include "display_file.h"

namespace velbend::geo {

void ReadNcLine(std::string_view line, NcLine& out) {
    out = NcLine{};
    std::string gText;
    int mode = -1;              // the word being read: 0 X, 1 Y, 2 Z, 3 G
    bool beforeNumber = false;  // no character of the word's number yet
    bool blanks = false;        // blanks since the letter
    bool inParen = false;
    int parameter = 0;  // 1 right after '#', 2 inside its <name>
    auto endWord = [&] {
        if (mode == 3) {
            if (!gText.empty() && gText[0] >= '0' && gText[0] <= '9') out.gWords.push_back(NumPrefix(gText));
            gText.clear();
        }
        mode = -1;
    };
    auto startWord = [&](int m) {
        endWord();
        mode = m;
        if (m < 3) out.seen[m] = true;
        beforeNumber = true;
        blanks = false;
    };
    for (char c : line) {
        if (inParen) {
            if (c == ')') inParen = false;
            continue;
        }
        if (c == '(') {
            inParen = true;
            endWord();
            continue;
        }
        if (c == ';') break;
        if (parameter == 2) {
            if (c == '>') parameter = 0;
            continue;
        }
        if (parameter == 1) {
            parameter = 0;
            if (c == '<') {
                parameter = 2;
                continue;
            }
        }
        if (c == '#') {
            parameter = 1;
            ++out.parameterWords;
        }
        if (c == 'X' || c == 'x') { startWord(0); continue; }
        if (c == 'Y' || c == 'y') { startWord(1); continue; }
        if (c == 'Z' || c == 'z') { startWord(2); continue; }
        if (c == 'G' || c == 'g') { startWord(3); continue; }
        if (c == 'I' || c == 'i' || c == 'J' || c == 'j' || c == 'K' || c == 'k' || c == 'R' || c == 'r')
            out.arcWord = true;
        if (mode >= 0 && beforeNumber) {
            if (c == ' ' || c == '\t') {
                blanks = true;
                continue;
            }
            beforeNumber = false;
            // Blanks followed by no number ended the word, empty.
            if (blanks && !((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == '#')) endWord();
            blanks = false;
        }
        if (c == ' ') {
            endWord();
            continue;
        }
        if (mode >= 0) (mode == 3 ? gText : out.text[mode]).push_back(c);
    }
    endWord();
}

}  // namespace velbend::geo
