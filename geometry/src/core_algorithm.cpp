// The geometry engine: DXF spline reading, the spline evaluation, the
// display points of a DXF outline and the direction helpers.
#include "velbend/geometry/core_algorithm.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "display_file.h"
#include "dxf_blocks.h"
#include "velbend/common/numtext.h"
#include "velbend/common/operator.h"
#include "velbend/common/progdir.h"
#include "velbend/common/textfile.h"

namespace velbend {

namespace {

constexpr int kMaxDegree = 25;
// Control points and knots of one spline, and splines of one file: the
// counts of the model are 16-bit.
constexpr size_t kMaxSplineItems = 32767;
constexpr double kMaxDxfCoordinate = 1e9;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// Group code of a code line: an integer with optional blanks around it.
bool ParseCode(std::string_view line, int& code) {
    line = Trim(line);
    if (line.empty()) return false;
    const char* b = line.data();
    const char* e = b + line.size();
    if (*b == '+') ++b;
    auto r = std::from_chars(b, e, code);
    return r.ec == std::errc() && r.ptr == e;
}

// Splits the file into lines at LF (a CR before the LF is dropped) one at a
// time, counting them for messages.
class LineCursor {
public:
    explicit LineCursor(std::string_view bytes) : s_(bytes) {
        if (s_.size() >= 3 && std::memcmp(s_.data(), "\xEF\xBB\xBF", 3) == 0) s_.remove_prefix(3);
    }
    bool Next(std::string_view& line) {
        if (pos_ > s_.size() || (pos_ == s_.size() && !pendingEmpty_)) return false;
        const char* base = s_.data() + pos_;
        const void* lf = std::memchr(base, '\n', s_.size() - pos_);
        size_t len = lf ? static_cast<size_t>(static_cast<const char*>(lf) - base) : s_.size() - pos_;
        line = std::string_view(base, len);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (lf) {
            pos_ += len + 1;
            pendingEmpty_ = false;  // an LF at the very end invents no line
        } else {
            pos_ = s_.size() + 1;
        }
        ++lineNo_;
        return true;
    }
    long long LineNo() const { return lineNo_; }

private:
    std::string_view s_;
    size_t pos_ = 0;
    bool pendingEmpty_ = true;  // an empty file still has one (empty) line
    long long lineNo_ = 0;
};

double ValueNumber(std::string_view v) { return geo::NumPrefix(v); }

// Entity types named one by one in the message; the rest are counted together.
constexpr size_t kNamedEntityTypes = 16;
constexpr size_t kMaxEntityTypeName = 32;

// An entity type as the message shows it: upper case, printable ASCII.
std::string EntityTypeName(std::string_view v) {
    v = Trim(v);
    if (v.size() > kMaxEntityTypeName) v = v.substr(0, kMaxEntityTypeName);
    std::string name;
    for (char c : v) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        name.push_back(c > ' ' && c < 127 ? c : '?');
    }
    return name.empty() ? "?" : name;
}

// A block name as INSERTs refer to it: case does not matter.
std::string BlockName(std::string_view v) {
    std::string name(Trim(v));
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return name;
}

// Entities that are parts of the entity before them, not drawing entities
// of their own.
bool IsSubEntity(std::string_view v) { return IEquals(v, "VERTEX") || IEquals(v, "SEQEND") || IEquals(v, "ATTRIB"); }

// "LWPOLYLINE (2), LINE (1)" / "LWPOLYLINE 2个、LINE 1个".
std::string EntityList(const std::vector<DxfEntityCount>& unread, int16_t language) {
    std::string s;
    long long other = 0;
    for (size_t i = 0; i < unread.size(); ++i) {
        if (i >= kNamedEntityTypes) {
            other += unread[i].Count;
            continue;
        }
        if (i > 0) s += language == 0 ? "、" : ", ";
        s += language == 0 ? unread[i].Type + " " + std::to_string(unread[i].Count) + "个"
                           : unread[i].Type + " (" + std::to_string(unread[i].Count) + ")";
    }
    if (other > 0)
        s += language == 0 ? "、其他类型 " + std::to_string(other) + "个" : ", other types (" + std::to_string(other) + ")";
    return s;
}

// Checks a spline read from the file and brings its knots to [0, 1].
void FinishSpline(SplineModel& s) {
    s.Usable = false;
    const size_t n = s.CtrlX.size();
    const int p = s.Degree;
    if (p < 1 || p > kMaxDegree) return;
    if (s.CtrlY.size() != n || n < static_cast<size_t>(p) + 1) return;
    if (n > kMaxSplineItems || s.Knots.size() > kMaxSplineItems) return;
    if (s.Knots.size() != n + static_cast<size_t>(p) + 1) return;
    for (size_t j = 0; j < n; ++j) {
        if (!(std::fabs(s.CtrlX[j]) <= kMaxDxfCoordinate) || !(std::fabs(s.CtrlY[j]) <= kMaxDxfCoordinate))
            return;
    }
    for (size_t j = 0; j < s.Knots.size(); ++j) {
        if (!std::isfinite(s.Knots[j])) return;
        if (j > 0 && s.Knots[j] < s.Knots[j - 1]) return;
    }
    if (!s.Weights.empty()) {
        if (s.Weights.size() != n) return;
        bool allOne = true;
        for (double w : s.Weights) {
            if (!(w > 0) || !std::isfinite(w)) return;
            if (w != 1.0) allOne = false;
        }
        if (allOne) s.Weights.clear();
    }
    // The curve runs over [knot p, knot n]; that domain becomes [0, 1].
    const double a = s.Knots[static_cast<size_t>(p)];
    const double b = s.Knots[n];
    if (!(b > a)) return;
    const double len = b - a;
    if (!std::isfinite(len)) return;
    for (double& k : s.Knots) {
        if (k == a) k = 0.0;
        else if (k == b) k = 1.0;
        else k = (k - a) / len;
    }
    s.Usable = true;
}

// A drawing unit of $INSUNITS: its names and how the outline, read in
// millimetres, then shows: at 1/size of its size, or (larger) at size
// times its size.
struct DrawingUnit {
    int code;
    const char* zh;
    const char* en;
    const char* size;
    bool larger;
};
constexpr DrawingUnit kUnits[] = {
    {1, "英寸", "inches", "25.4", false},
    {2, "英尺", "feet", "304.8", false},
    {3, "英里", "miles", "1609344", false},
    {5, "厘米", "centimetres", "10", false},
    {6, "米", "metres", "1000", false},
    {7, "千米", "kilometres", "1000000", false},
    {8, "微英寸", "microinches", "39370.0787", true},
    {9, "密耳", "mils", "39.3700787", true},
    {10, "码", "yards", "914.4", false},
    {11, "埃", "angstroms", "10000000", true},
    {12, "纳米", "nanometres", "1000000", true},
    {13, "微米", "micrometres", "1000", true},
    {14, "分米", "decimetres", "100", false},
    {15, "十米", "decametres", "10000", false},
    {16, "百米", "hectometres", "100000", false},
    {17, "吉米", "gigametres", "1000000000000", false},
    {18, "天文单位", "astronomical units", "149597870700000", false},
    {19, "光年", "light years", "9460730472580800000", false},
    {20, "秒差距", "parsecs", "30856775814913700000", false},
    {21, "美制测量英尺", "US survey feet", "304.8006096", false},
    {22, "美制测量英寸", "US survey inches", "25.4000508", false},
    {23, "美制测量码", "US survey yards", "914.4018288", false},
    {24, "美制测量英里", "US survey miles", "1609347.2187", false},
};

// A reason why insertions are not drawn, as the message names it.
struct InsertNote {
    long long DxfInsertsNotDrawn::*count;
    const char* zh;
    const char* zhWhy;
    const char* en;
    const char* enWhy;
};
constexpr InsertNote kInsertNotes[] = {
    {&DxfInsertsNotDrawn::Array, "多行多列的阵列插入", "（只绘制单个插入，请将阵列分解）", "arrays of columns and rows",
     ", since only single insertions are drawn (explode the arrays)"},
    {&DxfInsertsNotDrawn::Extrusion, "拉伸方向不是+Z或-Z的插入", "（不在绘图平面内）",
     "insertions with an extrusion direction other than +Z or -Z", ", which do not lie in the drawing plane"},
    {&DxfInsertsNotDrawn::SelfReference, "将图块插入其自身的插入", "", "insertions of a block into itself", ""},
    {&DxfInsertsNotDrawn::TooDeep, "嵌套超过16层图块的插入", "", "insertions nested in more than 16 blocks", ""},
    {&DxfInsertsNotDrawn::Undefined, "所插入图块在文件中没有定义的插入", "", "insertions of a block the file does not define",
     ""},
};

}  // namespace

// ---------------------------------------------------------------- parameters

void CoreAlgorithm::TranParas(double TempConDet, double TempLineDis, double TempPJAngle, int16_t TempComp,
                              double TempCutterAngle, double TempMaxAngle) {
    ConDet = TempConDet;
    LineDis = TempLineDis;
    PJAngle = TempPJAngle;
    Comp = TempComp;
    CutterAngle = TempCutterAngle;
    MaxAngle = TempMaxAngle;
}

// ---------------------------------------------------------------- model access

int16_t CoreAlgorithm::SplineCounts(int i, int which) const {
    if (i < 1 || i > SplineCount || i > static_cast<int>(Splines.size())) return 0;
    const SplineModel& s = Splines[static_cast<size_t>(i - 1)];
    size_t v = which == 1 ? s.Knots.size() : which == 2 ? s.CtrlX.size() : 0;
    return static_cast<int16_t>(std::min(v, kMaxSplineItems));
}

int16_t CoreAlgorithm::SplineFlags(int i) const {
    if (i < 1 || i > SplineCount || i > static_cast<int>(Splines.size())) return 0;
    return Splines[static_cast<size_t>(i - 1)].Flag;
}

// ---------------------------------------------------------------- DXF reading

std::string CoreAlgorithm::UnreadEntitiesText(const std::vector<DxfEntityCount>& unread, int16_t language) {
    if (unread.empty()) return {};
    return language == 0 ? "DXF文件中有未读取的图元：" + EntityList(unread, 0) +
                               "。只读取样条曲线（SPLINE），图形的这些部分不在轮廓中；请将每个轮廓导出为一条样条曲线。"
                         : "The DXF file holds drawing entities that are not read: " + EntityList(unread, 1) +
                               ". Only SPLINE entities are read, so these parts of the drawing are missing from the "
                               "outline; export each contour as one spline.";
}

std::string CoreAlgorithm::ReadNotesText(bool outlineShown, int16_t language) const {
    const bool zh = language == 0;
    std::string s;
    auto add = [&](const std::string& text) { s += s.empty() || zh ? text : " " + text; };
    auto counted = [&](const char* name, long long n) {
        return zh ? std::string(name) + " " + std::to_string(n) + "个" : std::string(name) + " (" + std::to_string(n) + ")";
    };
    // Splines that cannot be used, by kind.
    long long periodic = 0, fitOnly = 0, other = 0;
    for (const SplineModel& sp : Splines) {
        if (sp.Usable) continue;
        if (sp.CtrlX.empty() && sp.FitPoints > 0) ++fitOnly;
        else if (sp.Periodic) ++periodic;
        else ++other;
    }
    if (periodic + fitOnly + other > 0) {
        std::string why;
        auto reason = [&](long long n, const char* zhName, const char* zhWhy, const char* enName, const char* enWhy) {
            if (n == 0) return;
            if (!why.empty()) why += zh ? "；" : "; ";
            why += zh ? counted(zhName, n) + zhWhy : counted(enName, n) + enWhy;
        };
        reason(periodic, "周期样条曲线", "（只读取在末尾重复起始控制点的形式，请将其保存为非周期样条曲线）",
               "periodic splines",
               ", read only in the form that repeats the first control points at the end (save them as non-periodic "
               "splines)");
        reason(fitOnly, "只有拟合点的样条曲线", "（只读取控制点，请让CAD程序输出控制点）", "splines of fit points only",
               ", since only control points are read (let the CAD program write control points)");
        reason(other, "节点、控制点和阶数构不成曲线的样条曲线", "", "splines whose knots, control points and degree make no curve",
               "");
        const std::string all = counted("SPLINE", periodic + fitOnly + other);
        add(zh ? std::string(outlineShown ? "DXF文件中有" : "文件中有") + "不能使用的样条曲线：" + all + "：" + why + "。" +
                     (outlineShown ? "这些轮廓不在图形中。" : "")
               : std::string(outlineShown ? "The DXF file holds" : "It holds") + " splines that cannot be used: " + all +
                     ": " + why + "." + (outlineShown ? " These contours are missing from the outline." : ""));
    }
    // Insertions that are not drawn, by reason.
    long long notDrawn = 0;
    std::string which;
    for (const InsertNote& n : kInsertNotes) {
        const long long count = InsertsNotDrawn.*n.count;
        if (count == 0) continue;
        notDrawn += count;
        if (!which.empty()) which += zh ? "；" : "; ";
        which += zh ? counted(n.zh, count) + n.zhWhy : counted(n.en, count) + n.enWhy;
    }
    if (notDrawn > 0) {
        const std::string all = counted("INSERT", notDrawn);
        add(zh ? std::string(outlineShown ? "DXF文件中有" : "文件中有") + "不能绘制的图块插入：" + all + "：" + which + "。" +
                     (outlineShown ? "图形的这些部分不在轮廓中。" : "")
               : std::string(outlineShown ? "The DXF file holds" : "It holds") + " block insertions that cannot be drawn: " +
                     all + ": " + which + "." +
                     (outlineShown ? " These parts of the drawing are missing from the outline." : ""));
    }
    if (!outlineShown || InsUnits == 0 || InsUnits == 4) return s;
    const std::string code = std::to_string(InsUnits);
    for (const DrawingUnit& u : kUnits) {
        if (u.code != InsUnits) continue;
        const std::string size = zh ? (u.larger ? std::string("原尺寸的") + u.size + "倍" : std::string("原尺寸的1/") + u.size)
                                    : (u.larger ? std::string(u.size) + " times its size"
                                                : std::string("1/") + u.size + " of its size");
        add(zh ? std::string("DXF文件的图形单位是") + u.zh + "（$INSUNITS " + code + "），其坐标却按毫米读取：若图形确以" +
                     u.zh + "绘制，轮廓显示为" + size + "；请核对显示的尺寸，并以毫米保存图形。"
               : std::string("The DXF file's drawing unit is ") + u.en + " ($INSUNITS " + code +
                     "), but its coordinates are read as millimetres: if the drawing is in " + u.en +
                     ", the outline shows at " + size + "; check the size shown, and save the drawing in millimetres.");
        return s;
    }
    add(zh ? "DXF文件的图形单位未知（$INSUNITS " + code + "），其坐标按毫米读取，轮廓因此可能显示为另一尺寸；请核对显示的尺寸，并以毫米保存图形。"
           : "The DXF file's drawing unit is unknown ($INSUNITS " + code +
                 "), and its coordinates are read as millimetres, so the outline may show at another size; check the "
                 "size shown, and save the drawing in millimetres.");
    return s;
}

std::string CoreAlgorithm::ReadDXFBytes(std::string_view bytes, int16_t language) {
    SplineCount = 0;
    Splines.clear();
    ParamTable.clear();
    MaxParamCount = 0;
    UnreadEntities.clear();
    InsertsNotDrawn = {};
    InsUnits = 0;

    auto fault = [&](std::string zh, std::string en) {
        Splines.clear();
        SplineCount = 0;
        UnreadEntities.clear();
        InsertsNotDrawn = {};
        return language == 0 ? zh : en;
    };

    if (bytes.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return fault("DXF文件是空的。", "The DXF file is empty.");
    // A binary DXF opens with this sentinel; its group codes are no text lines.
    if (bytes.starts_with("AutoCAD Binary DXF"))
        return fault("DXF文件是二进制DXF，不能读取：只读取以文本（ASCII）格式保存的DXF文件；请将图形另存为ASCII格式的DXF。",
                     "The DXF file is a binary DXF and cannot be read: only DXF files saved as text (ASCII) are "
                     "read; save the drawing as an ASCII DXF.");
    const std::string tooManySplines[2] = {"DXF文件中的样条曲线超过32767条，不能读取。",
                                           "The DXF file holds more than 32767 splines and cannot be read."};

    LineCursor cur(bytes);
    std::string_view codeLine, value;
    bool sawSection = false;   // the header gives nothing: a file may start with any section
    bool sectionName = false;  // the pair after (0, SECTION)
    bool inEntities = false;   // inside the ENTITIES section
    bool inBlocks = false;     // inside the BLOCKS section
    dxf::Drawing drawing;
    uint32_t blockNo = 0;      // the block being defined, 0 outside BLOCK ... ENDBLK
    bool blockNamed = false;
    // The entity whose pairs are being read.
    enum class Reading { Nothing, Spline, Insert, BlockStart } reading = Reading::Nothing;
    std::unordered_map<std::string, uint32_t> typeIndex;  // type -> entry of drawing.types
    bool insUnits = false;  // the pair after (9, $INSUNITS)
    auto add = [&](dxf::Item::Kind kind, size_t index) {
        drawing.blocks[blockNo].items.push_back({kind, static_cast<uint32_t>(index)});
    };

    while (cur.Next(codeLine)) {
        int code = 0;
        if (!ParseCode(codeLine, code)) {
            const long long ln = cur.LineNo();
            if (Trim(codeLine).empty()) {
                // Blank lines after the last pair are tolerated; anywhere else
                // they break the pairing.
                std::string_view rest;
                bool onlyBlank = true;
                while (cur.Next(rest))
                    if (!Trim(rest).empty()) { onlyBlank = false; break; }
                if (onlyBlank) break;
            }
            return fault("DXF文件格式错误（第" + std::to_string(ln) + "行不是组码）。",
                         "The DXF file is malformed (line " + std::to_string(ln) + " is no group code).");
        }
        if (!cur.Next(value)) {
            return fault("DXF文件不完整：最后一个组码没有值。",
                         "The DXF file is incomplete: its last group code has no value.");
        }
        if (code == 0) {
            std::string_view v = Trim(value);
            sectionName = false;
            reading = Reading::Nothing;
            if (IEquals(v, "SPLINE")) {
                if (drawing.splines.size() >= kMaxSplineItems) return fault(tooManySplines[0], tooManySplines[1]);
                add(dxf::Item::Kind::Spline, drawing.splines.size());
                drawing.splines.emplace_back();
                reading = Reading::Spline;
            } else if (IEquals(v, "INSERT")) {
                add(dxf::Item::Kind::Insert, drawing.inserts.size());
                drawing.inserts.emplace_back();
                reading = Reading::Insert;
            } else if (IEquals(v, "SECTION")) {
                sawSection = true;
                sectionName = true;
                inEntities = inBlocks = false;
                blockNo = 0;
            } else if (IEquals(v, "ENDSEC")) {
                inEntities = inBlocks = false;
                blockNo = 0;
            } else if (IEquals(v, "EOF")) {
                break;
            } else if (inBlocks && IEquals(v, "BLOCK")) {
                blockNo = static_cast<uint32_t>(drawing.blocks.size());
                drawing.blocks.emplace_back();
                blockNamed = false;
                reading = Reading::BlockStart;
            } else if (inBlocks && IEquals(v, "ENDBLK")) {
                blockNo = 0;
            } else if ((blockNo != 0 || inEntities) && !IsSubEntity(v) && !(blockNo != 0 && IEquals(v, "ATTDEF"))) {
                auto [it, added] = typeIndex.try_emplace(EntityTypeName(v), static_cast<uint32_t>(drawing.types.size()));
                if (added) drawing.types.push_back(it->first);
                add(dxf::Item::Kind::Other, it->second);
            }
            continue;
        }
        if (sectionName) {
            if (code == 2 && IEquals(Trim(value), "ENTITIES")) inEntities = true;
            if (code == 2 && IEquals(Trim(value), "BLOCKS")) inBlocks = true;
            sectionName = false;
        }
        if (reading != Reading::Spline) {
            if (insUnits && code == 70) InsUnits = static_cast<int32_t>(std::clamp(ValueNumber(value), -1e6, 1e6));
            insUnits = code == 9 && IEquals(Trim(value), "$INSUNITS");
        }
        if (reading == Reading::BlockStart) {
            dxf::Block& b = drawing.blocks[blockNo];
            if (code == 10) b.baseX = ValueNumber(value);
            if (code == 20) b.baseY = ValueNumber(value);
            if (code == 2 && !blockNamed) {
                blockNamed = true;
                if (std::string name = BlockName(value); !name.empty()) drawing.blockIndex.try_emplace(name, blockNo);
            }
            continue;
        }
        if (reading == Reading::Insert) {
            dxf::Insert& in = drawing.inserts.back();
            switch (code) {
                case 2: in.block = BlockName(value); break;
                case 10: in.x = ValueNumber(value); break;
                case 20: in.y = ValueNumber(value); break;
                case 41: in.scaleX = ValueNumber(value); break;
                case 42: in.scaleY = ValueNumber(value); break;
                case 50: in.rotation = ValueNumber(value); break;
                case 70: in.columns = ValueNumber(value); break;
                case 71: in.rows = ValueNumber(value); break;
                case 210: in.normalX = ValueNumber(value); break;
                case 220: in.normalY = ValueNumber(value); break;
                case 230: in.normalZ = ValueNumber(value); break;
                default: break;
            }
            continue;
        }
        if (reading != Reading::Spline) continue;
        SplineModel* sp = &drawing.splines.back();
        switch (code) {
            case 70:
                sp->Flag = 1;
                sp->Periodic = (static_cast<long long>(std::clamp(ValueNumber(value), 0.0, 65535.0)) & 2) != 0;
                break;
            case 11: ++sp->FitPoints; break;
            case 71: {
                double d = ValueNumber(value);
                sp->Degree = (d >= 1 && d <= kMaxDegree) ? static_cast<int16_t>(std::lround(d)) : 0;
                break;
            }
            case 40: if (sp->Knots.size() <= kMaxSplineItems) sp->Knots.push_back(ValueNumber(value)); break;
            case 41: if (sp->Weights.size() <= kMaxSplineItems) sp->Weights.push_back(ValueNumber(value)); break;
            case 10: if (sp->CtrlX.size() <= kMaxSplineItems) sp->CtrlX.push_back(ValueNumber(value)); break;
            case 20: if (sp->CtrlY.size() <= kMaxSplineItems) sp->CtrlY.push_back(ValueNumber(value)); break;
            default: break;
        }
    }

    if (!sawSection)
        return fault("DXF文件没有HEADER段，不能读取。", "The DXF file has no HEADER section and cannot be read.");
    // The splines where the drawing places them.
    dxf::Placed placed;
    switch (dxf::Place(drawing, kMaxSplineItems, placed)) {
        case dxf::PlaceResult::Done: break;
        case dxf::PlaceResult::TooManySplines: return fault(tooManySplines[0], tooManySplines[1]);
        case dxf::PlaceResult::TooLarge: {
            const std::string n = std::to_string(dxf::kMaxPlacedItems);
            return fault("DXF文件不能读取：其图块插入使图形超过" + n + "个图元、控制点和节点。",
                         "The DXF file cannot be read: its block insertions make the drawing larger than " + n +
                             " entities, control points and knots.");
        }
    }
    std::vector<SplineModel> splines = std::move(placed.splines);
    UnreadEntities = std::move(placed.unread);
    InsertsNotDrawn = placed.notDrawn;
    bool any = false;
    for (SplineModel& s : splines) {
        FinishSpline(s);
        any = any || s.Usable;
    }
    if (!any) {
        std::string why = language == 0 ? "DXF文件中没有可用的样条曲线（SPLINE）。" : "The DXF file holds no usable SPLINE.";
        Splines = std::move(splines);
        const std::string unusable = ReadNotesText(false, language);
        if (!unusable.empty()) why += (language == 0 ? "" : " ") + unusable;
        if (!UnreadEntities.empty()) {
            why += language == 0 ? "文件中有未读取的图元：" + EntityList(UnreadEntities, 0) +
                                       "。只读取样条曲线（SPLINE）；请将每个轮廓导出为一条样条曲线。"
                                 : " It holds drawing entities that are not read: " + EntityList(UnreadEntities, 1) +
                                       ". Only SPLINE entities are read; export each contour as one spline.";
        }
        Splines.clear();
        SplineCount = 0;
        return why;  // the entities and insertions stay listed
    }

    Splines = std::move(splines);
    SplineCount = static_cast<int16_t>(Splines.size());
    return {};
}

bool CoreAlgorithm::ReadDXF(const std::string& dxfFile, Operator& op, int16_t language) {
    auto bytes = ReadFileBytes(dxfFile);
    if (!bytes) {
        SplineCount = 0;
        Splines.clear();
        ParamTable.clear();
        MaxParamCount = 0;
        UnreadEntities.clear();
        InsertsNotDrawn = {};
        geo::ShowFault(op, language, {"无法读取文件：" + dxfFile, "Cannot read the file " + dxfFile});
        return false;
    }
    // A refused file leaves Temp.dat as it was.
    std::string why = ReadDXFBytes(*bytes, language);
    if (!why.empty()) {
        geo::ShowFault(op, language, {why + "\n" + dxfFile, why + "\n" + dxfFile});
        return false;
    }
    // Temp.dat: the text split at every LF, each piece a line ending in CR LF
    // (a CR before the LF stays in its piece).
    {
        const std::string& b = *bytes;
        const size_t lfs = static_cast<size_t>(std::count(b.begin(), b.end(), '\n'));
        std::string temp;
        temp.resize(b.size() + lfs + 2);
        char* o = temp.data();
        size_t start = 0;
        for (;;) {
            const void* hit = std::memchr(b.data() + start, '\n', b.size() - start);
            size_t lf = hit ? static_cast<size_t>(static_cast<const char*>(hit) - b.data()) : b.size();
            std::memcpy(o, b.data() + start, lf - start);
            o += lf - start;
            *o++ = '\r';
            *o++ = '\n';
            if (!hit) break;
            start = lf + 1;
        }
        if (!geo::WriteWorkFile("Temp.dat", temp, op, language)) {
            SplineCount = 0;
            Splines.clear();
            UnreadEntities.clear();
            InsertsNotDrawn = {};
            return false;
        }
    }
    // The splines are read; what was passed over or is read otherwise is
    // told in one message.
    std::string text = UnreadEntitiesText(UnreadEntities, language);
    const std::string notes = ReadNotesText(true, language);
    if (!notes.empty()) text += (text.empty() || language == 0 ? "" : " ") + notes;
    if (!text.empty())
        op.MsgBox(text, MsgButtons::Ok, MsgIcon::Warning, Tr(language, "操作提示", "Operation Tips"));
    return true;
}

// ---------------------------------------------------------------- evaluation

bool CoreAlgorithm::LoadCurrentSpline(int i) {
    CurCtrlX.clear();
    CurCtrlY.clear();
    CurWeights.clear();
    CurKnots.clear();
    CurFlag = 0;
    CurDegree = 3;
    CurUsable = false;
    if (i < 1 || i > SplineCount || i > static_cast<int>(Splines.size())) return false;
    const SplineModel& s = Splines[static_cast<size_t>(i - 1)];
    CurCtrlX = s.CtrlX;
    CurCtrlY = s.CtrlY;
    CurWeights = s.Weights;
    CurKnots = s.Knots;
    CurFlag = s.Flag;
    CurDegree = s.Degree;
    CurUsable = s.Usable;
    return true;
}

SplinePoint CoreAlgorithm::EvalBSpline(double t) const {
    SplinePoint out;
    if (!CurUsable) return out;
    const int p = CurDegree;
    const int n = static_cast<int>(CurCtrlX.size());
    const double* U = CurKnots.data();
    if (!(t >= 0.0)) t = 0.0;  // NaN too
    if (t > 1.0) t = 1.0;
    // Span L with U[L] <= t < U[L+1], L in [p, n-1]; at the end of the
    // domain the last non-empty span.
    int L;
    if (t >= U[n]) {
        L = n - 1;
        while (L > p && !(U[L] < U[n])) --L;
    } else {
        const double* it = std::upper_bound(U + p, U + n + 1, t);
        L = static_cast<int>(it - U) - 1;
        if (L < p) L = p;
        if (L > n - 1) L = n - 1;
    }
    std::array<double, kMaxDegree + 1> dx, dy, dw;  // filled below up to p
    const bool rational = !CurWeights.empty();
    for (int j = 0; j <= p; ++j) {
        int c = L - p + j;
        double w = rational ? CurWeights[static_cast<size_t>(c)] : 1.0;
        dx[static_cast<size_t>(j)] = CurCtrlX[static_cast<size_t>(c)] * w;
        dy[static_cast<size_t>(j)] = CurCtrlY[static_cast<size_t>(c)] * w;
        dw[static_cast<size_t>(j)] = w;
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = 0; j <= p - r; ++j) {
            int k = L - p + j;  // index of D(j) in control-point numbering
            double lo = U[k + r];
            double hi = U[k + p + 1];
            double a = 0.0;
            if (!(std::fabs(t - lo) < 1e-10 && std::fabs(hi - lo) < 1e-10) && hi != lo) a = (t - lo) / (hi - lo);
            size_t J = static_cast<size_t>(j);
            dx[J] = (1 - a) * dx[J] + a * dx[J + 1];
            dy[J] = (1 - a) * dy[J] + a * dy[J + 1];
            dw[J] = (1 - a) * dw[J] + a * dw[J + 1];
        }
    }
    if (rational) {
        out.X = dx[0] / dw[0];
        out.Y = dy[0] / dw[0];
    } else {
        out.X = dx[0];
        out.Y = dy[0];
    }
    return out;
}

// ---------------------------------------------------------------- display points

namespace {

// Display point text: rounded to three decimals, written with six.
inline void AppendDisplayPoint(std::string& out, const SplinePoint& p, bool node) {
    geo::AppendRounded3(out, p.X);
    out.push_back(' ');
    geo::AppendRounded3(out, p.Y);
    out.append(node ? " Node\r\n" : "\r\n");
}

// The display points of the current spline at its parameters CurParams,
// walked from the end: Comp samples of each interval from its upper end
// down, the first of each a node.
void AppendSampledSpline(std::string& out, const CoreAlgorithm& c) {
    for (int j = c.CurParamCount - 2; j >= 0; --j) {
        const double lo = c.CurParams[static_cast<size_t>(j)];
        const double hi = c.CurParams[static_cast<size_t>(j) + 1];
        const double step = (hi - lo) / c.Comp;
        double t = hi;
        for (int count = 1; count <= c.Comp && t > lo; ++count) {
            AppendDisplayPoint(out, c.EvalBSpline(t), count == 1);
            t -= step;
        }
    }
}

}  // namespace

bool CoreAlgorithm::DisplayPointGen(Operator& op, int16_t language) {
    std::string error;
    std::string out = DisplayPointText(language, &error);
    if (!error.empty()) {
        geo::ShowFault(op, language, {error, error});
        return false;
    }
    return geo::WriteWorkFile("PointForDisplay.dat", out, op, language);
}

std::string CoreAlgorithm::DisplayPointText(int16_t language, std::string* error) {
    if (error) error->clear();
    if (Comp < 1) {
        if (error)
            *error = language == 0 ? "系统参数“两节点间密化点数”必须大于0，无法生成显示点。"
                                   : "The system parameter \"sample points between two nodes\" must be above 0; "
                                     "no display points were made.";
        return {};
    }
    ParamTable.assign(static_cast<size_t>(SplineCount), {});
    MaxParamCount = 0;
    CurParams.clear();
    CurParamCount = 0;

    // First the parameters of every spline, so the size is known before
    // anything is written.
    long long lines = 1;
    for (int i = 1; i <= SplineCount; ++i) {
        LoadCurrentSpline(i);
        std::vector<double>& row = ParamTable[static_cast<size_t>(i - 1)];
        if (!CurUsable) continue;
        // Distinct knots of the domain.
        std::vector<double> u;
        for (double k : CurKnots) {
            if (k < 0.0 || k > 1.0) continue;
            if (u.empty() || k != u.back()) u.push_back(k);
        }
        std::vector<double> cand;
        cand.reserve(u.size() * 2);
        for (size_t j = 0; j + 1 < u.size(); ++j) {
            cand.push_back(u[j]);
            cand.push_back((u[j] + u[j + 1]) * 0.5);
        }
        cand.push_back(1.0);
        // Coincidence filter against the candidate just before (kept or not).
        SplinePoint prev = EvalBSpline(cand[0]);
        row.push_back(cand[0]);
        for (size_t j = 1; j < cand.size(); ++j) {
            SplinePoint q = EvalBSpline(cand[j]);
            if (std::fabs(q.X - prev.X) > 0.001 || std::fabs(q.Y - prev.Y) > 0.001) row.push_back(cand[j]);
            prev = q;
        }
        if (row.size() > kMaxSplineItems) row.resize(kMaxSplineItems);
        MaxParamCount = std::max<int16_t>(MaxParamCount, static_cast<int16_t>(row.size()));
        lines += 1 + static_cast<long long>(row.size() - 1) * Comp;
    }
    lines += SplineCount;
    if (lines > geo::kMaxDisplayLines) {
        if (error)
            *error = language == 0 ? "轮廓太大：显示点超过" + std::to_string(geo::kMaxDisplayLines) +
                                         "行，请减小“两节点间密化点数”。"
                                   : "The outline is too large: more than " + std::to_string(geo::kMaxDisplayLines) +
                                         " display lines; lower the sample points between two nodes.";
        return {};
    }

    std::string out;
    out.reserve(static_cast<size_t>(lines) * 26);
    for (int i = 1; i <= SplineCount; ++i) {
        LoadCurrentSpline(i);
        CurParams = ParamTable[static_cast<size_t>(i - 1)];
        CurParamCount = static_cast<int16_t>(CurParams.size());
        geo::AppendHeader(out, i);
        AppendSampledSpline(out, *this);
    }
    out.append("SPLINE END\r\n");
    return out;
}

bool CoreAlgorithm::AddNote(int16_t s, int16_t g, int16_t p, Operator& op, int16_t language) {
    if (Comp < 1) {
        geo::ShowFault(op, language,
                       {"系统参数“两节点间密化点数”必须大于0。",
                        "The system parameter \"sample points between two nodes\" must be above 0."});
        return false;
    }
    if (ParamTable.size() < static_cast<size_t>(SplineCount)) ParamTable.resize(static_cast<size_t>(SplineCount));
    std::string out;
    for (int i = 1; i <= SplineCount; ++i) {
        LoadCurrentSpline(i);
        std::vector<double>& row = ParamTable[static_cast<size_t>(i - 1)];
        geo::AppendHeader(out, i);
        if (i == s && g >= 1 && g + 1 <= static_cast<int>(row.size()) && p >= 1 && p <= Comp &&
            row.size() < kMaxSplineItems) {
            const double lo = row[static_cast<size_t>(g - 1)];
            const double hi = row[static_cast<size_t>(g)];
            const double step = (hi - lo) / Comp;
            double t = hi;
            for (int count = 1; count <= p; ++count) t -= step;
            // A parameter equal to a neighbour would give an empty sub-interval.
            if (t > lo && t < hi) {
                row.insert(row.begin() + g, t);
                MaxParamCount = std::max<int16_t>(MaxParamCount, static_cast<int16_t>(row.size()));
            }
        }
        CurParams = row;
        CurParamCount = static_cast<int16_t>(CurParams.size());
        AppendSampledSpline(out, *this);
    }
    out.append("SPLINE END\r\n");
    return geo::WriteWorkFile("PointForDisplay.dat", out, op, language);
}

bool CoreAlgorithm::ControlPointCls() {
    bool a = WriteFileAtomic(ProgramFile("PointForControl.dat"), "");
    bool b = WriteFileAtomic(ProgramFile("CtrP.dat"), "");
    return a && b;
}

// ---------------------------------------------------------------- directions

double CoreAlgorithm::VectorAngle(double dx, double dy) {
    if (dx > 0 && dy > 0) return std::atan(dy / dx);
    if (dx < 0 && dy != 0) return std::atan(dy / dx) + 3.14159265358979;
    if (dx > 0 && dy < 0) return std::atan(dy / dx) + 6.28318530717958;
    if (dx == 0 && dy > 0) return 3.14159265358979 / 2;
    if (dx == 0 && dy < 0) return 9.42477796076937 / 2;
    if (dx > 0 && dy == 0) return 0;
    if (dx < 0 && dy == 0) return 3.14159265358979;
    return 0;  // the zero vector (and NaN)
}

int16_t CoreAlgorithm::ArcDirection(const SplinePoint& p1, const SplinePoint& p2, const SplinePoint& p3) {
    double a = VectorAngle(p1.X - p2.X, p1.Y - p2.Y);
    double b = VectorAngle(p2.X - p3.X, p2.Y - p3.Y);
    if (b > a) return (b - a < 3.14159265358979) ? -1 : 1;
    if (b < a) return (a - b < 3.14159265358979) ? 1 : -1;
    return 1;
}

int16_t CoreAlgorithm::Cal_arcdir(double xs, double ys, double xm, double ym, double xe, double ye) const {
    SplinePoint s{xs, ys, 0, 0}, m{xm, ym, 0, 0}, e{xe, ye, 0, 0};
    return ArcDirection(s, m, e);
}

}  // namespace velbend
