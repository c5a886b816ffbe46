#ifndef SANITIZEDBUILD_H
#define SANITIZEDBUILD_H
// Whether this program was built with AddressSanitizer or ThreadSanitizer (scripts/sanitize.sh). Their
// allocators hold freed memory back (ASan's quarantine) and add shadow memory, so the process's memory
// figures say nothing about our code there; LeakSanitizer checks for leaks in those builds instead.

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif

#endif
