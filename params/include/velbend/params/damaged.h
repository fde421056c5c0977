// Parameter files that start-up found damaged: the damaged bytes are kept
// beside the file, under a name that says so, before the file is first
// rewritten, so that a save never wipes out what an operator may still
// want to recover by hand.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "velbend/params/store.h"

namespace velbend {

// Notes the files (relative to the program folder) that a reading found
// short or damaged.  Each one that is there with content gets the name its
// bytes will be kept under: "<name>.damaged", or "<name>.damaged-2", -3, ...
// when an earlier kept copy holds that name (it is never replaced).
// Returns the sentence the start-up message adds (current language; empty
// when nothing will be kept).
std::string NoteDamagedFiles(ParamStore& st, const std::vector<std::string>& relNames);

// Before a noted file is replaced: its bytes are kept under the noted name
// (once; later saves find them kept).  False when they cannot be kept.
bool KeepDamagedFile(const ParamStore& st, const std::string& relName, std::string* error = nullptr);

// Writes a parameter file atomically, a noted one kept first; false, with
// nothing written, when the damaged file cannot be kept.
bool WriteParamFile(const ParamStore& st, const std::string& relName, std::string_view bytes,
                    std::string* error = nullptr);

}  // namespace velbend
