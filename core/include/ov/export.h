#pragma once

// Symbols of libdevcore.so that hosts and plug-ins link against. Everything
// else stays hidden. Types whose identity must be the same in every shared
// object (exceptions caught across libraries, interfaces checked by the
// sanitizers) are marked visible even where they are header-only.
#define OV_CORE_API __attribute__((visibility("default")))
#define OV_VISIBLE __attribute__((visibility("default")))
