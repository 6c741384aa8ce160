// Whether this test program runs under AddressSanitizer, which reserves
// terabytes of address space: memory limits mean something else there.
#ifndef KORIN_TESTS_SUPPORT_SANITIZER_H
#define KORIN_TESTS_SUPPORT_SANITIZER_H

#if defined(__SANITIZE_ADDRESS__)
const bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool kAddressSanitizer = true;
#else
const bool kAddressSanitizer = false;
#endif
#else
const bool kAddressSanitizer = false;
#endif

#endif
