#include "platform/RemoteMounts.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>

namespace {

// File system types that reach another machine, as the kernel names them.
constexpr std::string_view networkTypes[] = {
    "nfs",  "nfs4", "cifs",   "smb3",      "smbfs", "ncpfs", "afs",
    "ceph", "9p",   "lustre", "glusterfs", "gpfs",  "davfs", "coda",
};

// "fuse" and "fuse.<program>" (sshfs is fuse.sshfs); "fuseblk" is a local disk (NTFS, exFAT)
// driven through FUSE, and is walked like one.
bool isRemote(std::string_view type) {
    return type == "fuse" || type.starts_with("fuse.") ||
           std::find(std::begin(networkTypes), std::end(networkTypes), type) !=
               std::end(networkTypes);
}

// The mount table writes a space, tab, newline or backslash in a path as a backslash and three
// octal digits.
std::string unescaped(std::string_view field) {
    std::string text;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field[at] == '\\' && at + 3 < field.size()) {
            const std::string_view digits = field.substr(at + 1, 3);
            if (std::all_of(digits.begin(), digits.end(),
                            [](char c) { return c >= '0' && c <= '7'; })) {
                text += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 +
                                          (digits[2] - '0'));
                at += 3;
                continue;
            }
        }
        text += field[at];
    }
    return text;
}

} // namespace

std::vector<std::string> remoteMountPoints() {
    // Each line: id, parent id, major:minor, root, mount point, options, optional fields up to a
    // lone "-", then the type.
    std::vector<std::string> points;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string field;
        std::string mountPoint;
        for (int index = 0; fields >> field; ++index) {
            if (index == 4) {
                mountPoint = unescaped(field);
            } else if (index > 5 && field == "-") {
                std::string type;
                if (fields >> type && isRemote(type)) {
                    points.push_back(mountPoint);
                }
                break;
            }
        }
    }
    return points;
}
