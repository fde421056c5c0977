// Area of the picked contours of a control-path file, measured with
// horizontal strips of 0.1 mm from each contour's top: contours picked as
// outer (kind 3) add, contours picked as inner (kind 2) subtract.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "velbend/geometry/coordinate_bound.h"

namespace velbend {

class Operator;

// One contour: its kind (3 adds, 2 subtracts) and its points, in file order.
struct AreaContour {
    int16_t Kind = 0;
    std::vector<double> X;
    std::vector<double> Y;
};

// The contours of a control-path text.  Element 0 collects the points that
// come before the first contour header and is never measured.  A header
// whose third field is neither 2 nor 3 starts nothing: the points after it
// join the contour before.  Lines of fewer than three fields are passed over.
std::vector<AreaContour> ReadAreaContours(std::string_view bytes);

// Index of the contour's highest point (the first on equal heights).
size_t FindStartPoint(const AreaContour& c);

// Area of one contour by 0.1 mm strips measured at their lower edges; a
// line through a vertex (within 1e-5) is moved 0.01 lower and its strip
// grows by as much.  Runs in about (edges + lines) log(edges).
double ContourArea(const AreaContour& c);

// Sum over contours 1.. of +area (kind 3) or -area (kind 2).
double TotalArea(const std::vector<AreaContour>& contours);

// Coordinates beyond this many millimetres are refused: the bound of the
// outline import and of the machine.
inline constexpr double kMaxAreaCoordinate = kMaxCoordinate;

// The total area of a control-path text as "0.000"; nullopt with the reason
// (in the given language) when a coordinate is not a finite number or lies
// beyond the limit.
std::optional<std::string> SelectAreaText(std::string_view bytes, int16_t language,
                                          std::string* reason = nullptr);

// Reads the file at `path` (CtrP.dat) and returns its area text; nullopt
// after telling the operator when the file cannot be read or is refused.
std::optional<std::string> GetSelectArea(const std::filesystem::path& path, Operator& op,
                                         int16_t language);

}  // namespace velbend
