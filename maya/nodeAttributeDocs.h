#pragma once

// The node's attribute table as text: the Attribute Editor's layouts, the
// table comment of sorvaneNode.h and the README's table. The build writes the
// first into the template it ships; tests hold the other two to the table.

#include <string>

namespace sorvane::mayaplugin {

// The editorTemplate lines between the scroll layout's begin and the
// dependency-node template: one layout per section, in the order of the
// table, then the suppressed renderer inputs.
std::string attributeEditorLayouts();

// The comment block of sorvaneNode.h that lists the attributes.
std::string nodeHeaderComment();

// The README's Markdown table of the attributes.
std::string readmeTable();

}  // namespace sorvane::mayaplugin
