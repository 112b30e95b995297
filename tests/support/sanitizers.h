#pragma once

namespace qor::testing {

// Whether this build runs under AddressSanitizer, which reserves terabytes of address space:
// a test that limits the address space (RLIMIT_AS) cannot run there.
constexpr bool underAddressSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

} // namespace qor::testing
