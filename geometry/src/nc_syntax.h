// The syntax of an NC program line: its words X, Y, Z and G, the arc words,
// comments and parameters.  What the words mean is the reader's.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace velbend::geo {

struct NcLine {
    // The text of the X, Y and Z words (0, 1, 2); "" when the line has none
    // or one without a number.  Two words of one letter run together.
    std::string text[3];
    bool seen[3] = {false, false, false};  // the letter stands in the line
    // I, J, K or R stands in the line.
    bool arcWord = false;
    // The numbers of the G words in their order (a G word whose text does
    // not start with a digit is none).
    std::vector<double> gWords;
    // Parameters (#2, #<depth>) outside comments.
    long long parameterWords = 0;

    bool Moves() const { return seen[0] || seen[1] || seen[2]; }
};

// Words are a letter and its number; blanks between the letter and its
// number belong to the word, a blank after the number ends it; ';' starts a
// comment to the end of the line, so does text in parentheses up to ')'.  A
// parameter stands for a number the reader does not know: the word it
// stands in reads as 0, and the letters of its <name> are no words.
void ReadNcLine(std::string_view line, NcLine& out);

}  // namespace velbend::geo
