#pragma once

#include <cstddef>

// Asks the system to give memory about to be written its pages now, in one call, instead of one
// page fault at a time as it is first touched. A whole base's plan and rows fill a few megabytes
// front to back; where a page fault is dear (a virtual machine) this is a large part of reading
// the base. Only a hint: where the system cannot, nothing happens, and the memory works as ever.
void PrefaultForWriting(void* data, std::size_t bytes);

// The same for the memory a vector has reserved.
template <typename Vector> void PrefaultReserved(Vector& v) {
    PrefaultForWriting(v.data(), v.capacity() * sizeof(*v.data()));
}
