#pragma once

// libovwindow.so exports only what carries this mark.
#define OVWIN_API __attribute__((visibility("default")))
