// Writes the Attribute Editor template: the hand-written MEL around it, with
// the layouts of the node's attribute table in place of the marker.
//
//   sorvane_make_ae_template TEMPLATE.mel.in OUTPUT.mel

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "nodeAttributeDocs.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " TEMPLATE.mel.in OUTPUT.mel\n";
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];
    std::ifstream in(source);
    if (!in) {
        std::cerr << source << ": cannot be read\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string mel = text.str();

    const std::string marker = "@SORVANE_AE_LAYOUTS@\n";
    const std::size_t at = mel.find(marker);
    if (at == std::string::npos || mel.find(marker, at + 1) != std::string::npos) {
        std::cerr << source << ": needs the line @SORVANE_AE_LAYOUTS@ exactly once\n";
        return 1;
    }
    mel.replace(at, marker.size(), sorvane::mayaplugin::attributeEditorLayouts() + "\n");

    // Written aside and renamed, so a failed write leaves the last good file.
    const std::string partial = output + ".partial";
    {
        std::ofstream out(partial, std::ios::binary);
        out << mel;
        if (!out.flush()) {
            std::cerr << partial << ": cannot be written\n";
            std::remove(partial.c_str());
            return 1;
        }
    }
    std::remove(output.c_str());
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::cerr << output << ": cannot be replaced\n";
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
