#pragma once

#include <string>
#include <vector>

// Where the file systems are mounted that a search of the user's folders keeps out of: network
// file systems (NFS, SMB/CIFS and the like) and FUSE ones (sshfs and every other fuse.*), which
// may wait on a server or a user-space program and hold nothing of this machine's disks. Real
// paths, read from the system's mount table without touching any of those file systems; a local
// disk mounted anywhere is not among them.
std::vector<std::string> remoteMountPoints();
