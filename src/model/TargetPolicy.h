#pragma once

// What a target's rule decides about the target beyond where it is and how it reads: whether it
// is selected at first, whether its folder is made again, empty, once a cleanup removed it, and
// whether only the administrator command may remove it. The rules, the scan and the test fixtures
// pass it on whole; a FolderItem keeps its three fields. Nothing is decided by default: each rule
// says what it sets.
struct TargetPolicy {
    bool isSelected = false;
    bool recreateFolderAfterDelete = false;
    bool requiresSudo = false;
};
