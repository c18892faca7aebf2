#pragma once
// Keeps freed memory in the process: by default glibc hands large buffers back to the
// kernel when they are freed and faults them in again on the next iteration, a cost that
// small cases, below its thresholds, never pay. With this, every size measures the code's
// own work; the first-touch cost of large buffers is left out of the figures.
#include <malloc.h>

inline void keep_freed_memory() {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
}
