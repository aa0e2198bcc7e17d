#pragma once
// Reads the dialog templates of the program's resource script, so that the headless toolkit
// builds the same controls that Windows builds from it.
#include <map>
#include <string>
#include <vector>

#include "toolkit/toolkit_types.h"

namespace vidudi::toolkit {

enum class ControlKind { Static, Edit, Button, ListView, ComboBox, IpAddress, Icon, Other };

struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::Other;
    std::string text;
    Rect units;  // dialog units
    bool visible = true;
    bool enabled = true;
    bool sorted = false;  // combo boxes
    bool defaultButton = false;
    bool password = false;   // edits that show no characters
    bool ownerDrawn = false; // buttons the program draws itself
    char align = 'L';        // texts: 'L', 'C' or 'R'
    int icon = 0;            // icon statics: the icon's resource id
};

struct DialogTemplate {
    int id = 0;
    Rect units;
    std::string caption;
    std::vector<ControlTemplate> controls;
};

struct ResourceScript {
    std::map<int, DialogTemplate> dialogs;
    std::map<int, std::string> strings;  // the string table
    std::map<int, std::string> files;    // bitmaps and icons: the file each id names, as written
};

// Dialog units of an 8-point Arial dialog, roughly, for the layout before the program moves
// its controls to their pixel places.
Rect DialogUnitsToPixels(const Rect& units);

// Parses `script` (the text of an .rc file); #define lines of `header` give the symbols.
// Throws std::runtime_error naming the line when a dialog cannot be read.
ResourceScript ParseResourceScript(const std::string& script, const std::string& header);

// Reads the two files.
ResourceScript LoadResourceScript(const std::string& scriptPath, const std::string& headerPath);

}  // namespace vidudi::toolkit
