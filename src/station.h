// The one station this tool serves: this computer, the instrument, and what
// the instrument is told. Built in on purpose: the tool takes no arguments.
#pragma once

#include <cstdint>

inline constexpr char my_IP[] = "10.1.1.100";       // this computer, on the instrument's network
inline constexpr char agilent_IP[] = "10.1.1.101";  // the address the instrument is given
inline constexpr char name[] = "instr1";            // host name handed to the instrument
inline constexpr std::uint8_t mac[6] = {0x00, 0x01, 0xE6, 0x02, 0xE4, 0x51};

// The host name travels as exactly six bytes, without a terminator.
static_assert(sizeof(name) - 1 == 6, "the host name option carries six bytes");
