#pragma once

#include <cstddef>

// Asks the system to give memory about to be written its pages now, in one call, instead of one
// page fault at a time as it is first touched. A whole base's plan and rows fill a few megabytes
// front to back; where a page fault is dear (a virtual machine) this is a large part of reading
// the base. Only a hint: where the system cannot, nothing happens, and the memory works as ever.
void PrefaultForWriting(void* data, std::size_t bytes);

// Reserves room for n elements in a vector that is about to be filled, its pages asked for at
// once.
template <typename Vector> void ReserveWhole(Vector& v, std::size_t n) {
    v.reserve(n);
    PrefaultForWriting(v.data(), v.capacity() * sizeof(*v.data()));
}
