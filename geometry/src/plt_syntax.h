// The syntax of HP-GL: commands and their parameters.  A command is its
// two-letter mnemonic and its parameters, and the ';' after it may be left
// out; what the commands mean is the reader's.
#pragma once
#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace velbend::geo {

struct PltCommand {
    char c0, c1;            // the mnemonic, upper case
    std::string_view args;  // its parameters, without trailing blanks
    long long lineNo;
    bool Is(const char* m) const { return c0 == m[0] && c1 == m[1]; }
};

// What the file holds besides its commands.
struct PltSyntax {
    // Commands with a mnemonic of HP-GL or HP-GL/2.
    long long hpglCommands = 0;
    // Text passed over as no command: words or letters that stand as no
    // HP-GL command, up to the next ';' or the line end.
    long long otherText = 0;
};

// Calls f on each command of the file in its order until f returns false
// (false then).  A mnemonic stands as a command at the start of a line,
// after a ';', a blank, a label's end or a command (directly after its
// numeric parameters too), and is followed by its parameters, a
// terminator, a blank, the line's end or a command; two letters inside a
// longer word (MARKER, LOAD_MARKERS) are none.  Labels (LB) run to their
// terminator (ETX, or the one DT sets), over line ends; text in quotes
// holds no command; PE's encoded parameters run to ';'.
bool ForEachPltCommand(std::string_view plt, const std::function<bool(const PltCommand&)>& f,
                       PltSyntax* syntax = nullptr);

// Calls f on each parameter of a command (separated by commas or blanks)
// until it returns false; false then.
template <class F>
bool ForEachParameter(std::string_view args, F&& f) {
    size_t i = 0;
    while (i < args.size()) {
        while (i < args.size() && (args[i] == ',' || args[i] == ' ' || args[i] == '\t')) ++i;
        if (i >= args.size()) break;
        size_t j = i;
        while (j < args.size() && args[j] != ',' && args[j] != ' ' && args[j] != '\t') ++j;
        if (!f(args.substr(i, j - i))) return false;
        i = j;
    }
    return true;
}

// A parameter that NumPrefix reads in full: a sign, digits with a point,
// an exponent.  Of any other text it reads the number it starts with, or 0.
bool IsWholeNumber(std::string_view s);
// The numbers of an IP or SC command; false when a parameter is no number.
bool Numbers(std::string_view args, std::vector<double>& out);

}  // namespace velbend::geo
