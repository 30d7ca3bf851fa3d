#pragma once
// Owns a reply that xcb allocated with malloc, so every way out of a function frees it.
#include <cstdlib>

template <typename T>
struct XcbReply {
    T* value;
    ~XcbReply() { std::free(value); }
    T* operator->() const { return value; }
    explicit operator bool() const { return value != nullptr; }
};
