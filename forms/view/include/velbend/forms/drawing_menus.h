// The file, view, node and output menus of the main window, the contour
// offset with the length captions and the segment list, and the hooks the
// machine core calls back into the drawing.  Qt-free; the menu actions of
// the window forward here and then refresh the window from MainPanel.
#pragma once
#include <cstdint>
#include <string>

#include "velbend/forms/drawing.h"
#include "velbend/forms/program.h"

namespace velbend {

// ---- 文件 ----

// The filter of the open dialog (one entry, both languages).
std::string OpenFileFilter();
// 打开: asks for an outline file (DXF, NC with the Z plane asked, PLT),
// imports, thins, removes duplicate lines and loads it with the view fitted;
// then forgets the picks, node edits and mirror (DiscardPicks) and shows the
// file's name.  A refused file changes nothing: the outline shown keeps its
// display file, picks, control points, mirror and captions.
void 打开_Click(Program& p, DrawingModel& d);
// 关闭: black view, empty captions, picks, control points, segment list,
// markers, and empty node and point tables.
void 关闭_Click(Program& p, DrawingModel& d);
// Nothing picked: the picks (and a range being picked) and the path markers
// are forgotten, PointForControl.dat and CtrP.dat emptied, List1 and the
// length captions emptied, and the drawing rebuilt: the outline alone, its
// deleted nodes still hidden.
void DiscardPicks(Program& p, DrawingModel& d);
// 字形PLT: the shown outline as a PLT file.
void 字形PLT_Click(Program& p, DrawingModel& d);

// ---- 视图 ----

// 字形Y镜向: mirrors the open outline about the X axis (and back).
void 字形Y镜向_Click(Program& p, DrawingModel& d);
// 还原视图: the fitted view, while an outline is open and no run is on.
void 还原视图_Click(Program& p, DrawingModel& d);
// 取消选择: drops the last picked range (and a range being picked) while
// two or more are picked; then rebuilds the control path.  Nothing while an
// axis moves or the machine is busy.
void 取消选择_Click(Program& p, DrawingModel& d);
// 查看选择面积: the area of the control path in square metres.
void 查看选择面积_Click(Program& p, DrawingModel& d);
// The message text of that area for `areaText` (mm², "0.000").
std::string SelectAreaMessage(const std::string& areaText, int16_t language);

// ---- 节点 ----

void 增加节点_Click(Program& p, DrawingModel& d);
void 删除节点_Click(Program& p, DrawingModel& d);
void 取消删除_Click(Program& p, DrawingModel& d);
void 取消前一个删除_Click(Program& p, DrawingModel& d);
void 取消增加_Click(Program& p, DrawingModel& d);
// Takes back the last added node of the open outline and reloads it.
void 取消前一个增加_Click(Program& p, DrawingModel& d);

// ---- contour offset and lengths ----

// The contour-offset action: rebuilds CtrP.dat from the picked blocks with
// the offset of Text6 and the current parameters, measures it, captions the
// lengths, refills List1 (and the drawing its markers).
void ContourOffset(Program& p, DrawingModel& d);
// Command1 ("轮廓偏移"): the contour-offset action, unless the machine's
// state refuses a change of the path (then said in one message).
void Command1_Click(Program& p, DrawingModel& d);
// Text5 changed: the length captions from the existing control path.
void Text5_Change(Program& p, DrawingModel& d);
// List1 from CtrP.dat.
void FillSegmentList(Program& p, DrawingModel& d);
// Strip length of CtrP.dat; also sets mPathCount and the machine's path
// table.  False when the file cannot be read (the operator was told).
bool CalcPathLength(Program& p, DrawingModel& d, double& total);
// Label4(1) and Label4(2) for a path of strip length `total` with
// d.mPathCount "SPLINE" lines; both empty when there is no path.
void RefreshLengthCaptions(Program& p, DrawingModel& d, double total);

// Wires program.ctx.hooks (BuildDisplayList, BuildCtrPFile, CalcPathLength,
// DiscardPicks) to this drawing.  The main window calls it once at load.
void InstallDrawingHooks(Program& p, DrawingModel& d);

}  // namespace velbend
