// NC outline import on arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/geometry/outline_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    double plane = size > 0 ? static_cast<double>(static_cast<int8_t>(data[0]) % 4) : 0.0;
    double threshold = size > 1 ? static_cast<double>(data[1]) : 30.0;
    std::string error;
    velbend::ImportNotes notes;
    std::string out = velbend::NcToDisplay(bytes, plane, threshold, 0, &error, &notes);
    if (error.empty() && out.rfind("SPLINE END\r\n") != out.size() - 12) __builtin_trap();
    if (error.empty()) (void)velbend::ImportNotesText(notes, out != "SPLINE END\r\n", 0);
    return 0;
}
