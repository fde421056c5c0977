// DXF reader and display-point generation on arbitrary bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/geometry/core_algorithm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    velbend::CoreAlgorithm core;
    // The first byte chooses the sample count, negative and zero included.
    int16_t comp = size > 0 ? static_cast<int16_t>(static_cast<int8_t>(data[0]) % 12) : 3;
    core.TranParas(0.1, 5, 30, comp, 45, 105.0);
    if (!core.ReadDXFBytes(bytes, 1).empty()) return 0;
    (void)core.ReadNotesText(true, 0);
    std::string error;
    std::string out = core.DisplayPointText(1, &error);
    if (error.empty() && out.size() < 12) __builtin_trap();  // always ends with "SPLINE END"
    const double ts[] = {-1.0, 0.0, 0.3, 0.5, 1.0, 2.0, NAN, INFINITY};
    for (int i = 0; i <= core.SplineCount + 1; ++i) {
        core.LoadCurrentSpline(i);
        for (double t : ts) (void)core.EvalBSpline(t);
    }
    return 0;
}
