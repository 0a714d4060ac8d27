// Transparent huge pages for the program's large buffers. The C library backs its large blocks
// with huge pages only when the tunable glibc.malloc.hugetlb=1 is set when the process starts;
// without it, every 4 KiB page of the scan's buffers costs a page fault at first touch, which on
// virtual machines takes as long as the surface estimation's arithmetic. Results are the same.
#pragma once

namespace quorvel::cli {

// Runs the program again with the tunable added to GLIBC_TUNABLES, unless it is already there
// (or QUORVEL_SMALL_PAGES is set); returns only when it is not restarted.
void restartWithHugePages(char** argv);

}  // namespace quorvel::cli
