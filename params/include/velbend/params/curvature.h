// The curvature tables of the current curvature group and their files
// SysPara/wanfubiaoP_<g>.ini and SysPara/wanfubiaoN_<g>.ini.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "velbend/common/operator.h"
#include "velbend/params/store.h"

namespace velbend {

using WanFuTable = std::array<WanFuRow, 201>;

struct WanFuReadResult {
    bool missing = false;   // cannot be read, or holds no row: the table is untouched
    bool damaged = false;   // a line that is not two numbers
    bool ok() const { return !missing && !damaged; }
};

// Reads rows from file bytes: one row per line (value, key), at most 201
// rows; blank lines add no row.  Rows above the new last index keep what
// they held.  When the bytes hold no row, neither `rows` nor `last` change;
// damaged bytes are parsed as far as they go (the result says so).
WanFuReadResult ParseWanFu(std::string_view bytes, WanFuTable& rows, int16_t& last);
// A file of the program folder: `rows` and `last` change only when the file
// reads whole (ok()); a missing, empty or damaged file leaves both as they
// were.
WanFuReadResult ReadWanFuFile(const std::string& relName, WanFuTable& rows, int16_t& last);
// File bytes of rows 0..last (last clamped to 0..200): "0.00, 0.00" CR LF.
std::string WanFuBytes(const WanFuTable& rows, int16_t last);

std::string WanFuPFileName(int group);  // "SysPara/wanfubiaoP_<g>.ini"
std::string WanFuNFileName(int group);  // "SysPara/wanfubiaoN_<g>.ini"

// The file that holds the table relName (WanFuPFileName or WanFuNFileName
// of `group`) as last saved: while a save of the group is pending because
// start-up could not complete it, its staged "<relName>.new" where that is
// still there; else relName itself.
std::string SavedWanFuFile(int group, const std::string& relName);

// Reads both tables of curvature group `group` into the store (start-up),
// both from the group's last save (SavedWanFuFile).  Missing or damaged
// files: one message naming them (and where a damaged one is kept before it
// is rewritten); such a file leaves its table and last-row index as they
// were.  True when both read whole.
bool LoadWanFuTables(ParamStore& st, int16_t group, Operator& op);

// dir non-zero: row squ := (v0, v1); dir 0: (v0, v1) := row squ.  An index
// outside 0..200 is refused (false) and touches nothing.  The last-row index
// is neither checked nor changed.
bool TranWanFuP(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1);
bool TranWanFuN(ParamStore& st, int16_t dir, int16_t squ, double& v0, double& v1);

// Writes both tables under curvature group `group`;
// "曲率表保存成功！"/"Save OK!" when tsh is 0.  The two files change together
// or not at all, also when the program dies during the save (see
// WriteWanFuFiles); a failure always shows a message naming the file that
// could not be written (and a file that changed all the same, if any) and
// returns false.  `savedFirst` names a file that the same Save wrote before
// (the pat-arc spacing table): a failure then says that table was saved
// and the curvature tables were not.
bool SaveWanFuBiao(ParamStore& st, int16_t group, int16_t tsh, Operator& op, const std::string& savedFirst = {});
inline bool SaveWanFuBiao(ParamStore& st, int16_t group, Operator& op) {
    return SaveWanFuBiao(st, group, 0, op);
}
// The writing alone, without any message.  Both new tables are written and
// flushed beside the old files ("<name>.new"), then the record
// SysPara/wanfubiao_<g>.pending, then both are renamed into place and the
// record removed; a file start-up found damaged is kept first
// (KeepDamagedFile); the new files keep the permissions of the old ones.
// When the negative file cannot take its place the record is removed and
// the positive file put back as it was (removed if it did not exist).  Names
// of files not written are appended to *failed, of a file rewritten
// although the save failed (the positive one, when it could not be put
// back) to *changed (separated by ", ").
bool WriteWanFuFiles(const ParamStore& st, int16_t group, std::string* failed = nullptr,
                     std::string* changed = nullptr);
// Start-up, before the tables are read: a save of a pair that the program
// did not live to finish is completed where its record was written, else
// its new files are dropped; either way both files of a group come from
// the same save.  A pair whose renames fail (a read-only folder) keeps its
// record for the next start, its tables are read from the save
// (SavedWanFuFile), and one message names the files of every such group;
// false then.
bool RecoverWanFuFiles(const ParamStore& st, Operator& op);

}  // namespace velbend
