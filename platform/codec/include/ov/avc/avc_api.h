#pragma once

// libovavc.so exports only what carries this mark. Interfaces carry it too, so
// that their type information is one and the same in every library that uses
// them.
#define AVC_API __attribute__((visibility("default")))
