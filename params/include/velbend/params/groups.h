// The parameter groups: ParaGroup.ini, the two menu entries and the
// operations of the main window's group frame.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "velbend/common/operator.h"
#include "velbend/params/store.h"
#include "velbend/params/sysfile.h"

namespace velbend {

inline constexpr const char* kParaGroupFile = "ParaGroup.ini";

// What the reading of ParaGroup.ini found.
struct ParaGroupReadResult {
    bool missing = false;    // missing, unreadable or both group numbers 0
    bool shortFile = false;  // fewer than 22 lines
    bool badSysGroup = false;     // system group number outside 1..10
    bool badWanFuGroup = false;   // curvature group number outside 1..10
};

// Reads the 22 lines into the store: the group numbers (counted from 1 in
// the file, 0..9 in the store) and the names (GBK on disk, UTF-8 here; a
// name ends at a comma or the line end).  Both numbers 0 (a missing or empty
// file): both groups 0.  A number outside 1..10: that group becomes 0.
ParaGroupReadResult ParseParaGroup(std::string_view bytes, ParamStore& st);
// The 22 lines of the store's groups and names (CR LF, GBK); a comma in a
// name is written as '，', a line end as a blank.
std::string ParaGroupBytes(const ParamStore& st);
// A name as it can be written and read back: ',' -> '，', CR/LF -> ' '.
std::string CleanGroupName(std::string_view utf8);

// Start-up reading of ParaGroup.ini with its messages ("缺少参数组配置文件！"
// for a missing or empty file; one message for a short file or a group
// number outside 1..10; a file there but unusable is noted to be kept
// before it is rewritten, see NoteDamagedFiles).
ParaGroupReadResult ReadParaGroup(ParamStore& st, Operator& op);
// Writes ParaGroup.ini whole (WriteParamFile).
bool WriteParaGroup(const ParamStore& st, std::string* error = nullptr);

// Plain-data view of the group frame QHparaFrame of the main window.
struct GroupFrame {
    bool visible = false;
    bool copyButtonsVisible = false;          // Command3(3) and Command3(4)
    std::array<bool, 10> option1{};           // Option1(0..9): system groups
    std::array<bool, 10> option2{};           // Option2(0..9): curvature groups
    std::array<std::string, 10> text11;       // Text11(0..9): system group names (UTF-8)
    std::array<std::string, 10> text13;       // Text13(0..9): curvature group names
};

// The name boxes show the stored names (start-up).
void FillGroupNames(const ParamStore& st, GroupFrame& frame);
// Option1(gSysGroup) and Option2(gWanFuGroup) on, the others off (start-up).
void SelectCurrentGroups(const ParamStore& st, GroupFrame& frame);

// Menu "当前参数组": shows the current groups' names.
void ShowCurrentGroups(const ParamStore& st, Operator& op);
// Menu "切换参数组": checks the current groups' options, shows the copy buttons
// from user level 1 on and shows the frame.
void OpenGroupFrame(const ParamStore& st, GroupFrame& frame);
// The copy buttons shown from user level 1 on, hidden at level 0: at the
// opening and whenever the level may have changed while the frame stays
// open (after the users dialog).
void CopyButtonsFollowLevel(const ParamStore& st, GroupFrame& frame);

// What the switch hands on to the program.
struct GroupSwitchHooks {
    TranParasFn tranParas;                  // CoreAlgorithm.TranParas
    std::function<void()> controlPointCls;  // CoreAlgorithm.ControlPointCls and clearing List1
};

// Command3(0): the names from the boxes (commas made '，') into the store and
// ParaGroup.ini.  A failed write is reported; false then.  A name holding a
// character that GBK cannot hold is refused with a message naming its group:
// nothing is stored or written and the boxes keep what was typed.
bool GroupSaveNames(ParamStore& st, GroupFrame& frame, Operator& op);
// Command3(1): makes the checked groups current.  Refused with a message
// while the machine is busy.  All files of the new groups are read first;
// the store changes only when the curvature and system-parameter files read
// whole (else a message names the files and nothing changes).
bool GroupSwitch(ParamStore& st, GroupFrame& frame, Operator& op, bool machineBusy,
                 const GroupSwitchHooks& hooks);
// Command3(2): hides the frame.
void GroupClose(GroupFrame& frame);
// Command3(3): the system-parameter table into all ten groups' files.
// The message names the groups whose file could not be written.
bool GroupCopySysToAll(ParamStore& st, Operator& op, const TranParasFn& tranParas);
// Command3(4): the curvature tables and the pat-arc spacing table into all
// ten curvature groups' files.
bool GroupCopyWanFuToAll(ParamStore& st, Operator& op);

// Command3_Click(Index) of the frame, Index 0..4.  The copies (3, 4) are
// refused with a message below user level 1, whatever the frame shows.
bool GroupFrameCommand(int index, ParamStore& st, GroupFrame& frame, Operator& op,
                       bool machineBusy, const GroupSwitchHooks& hooks);

}  // namespace velbend
