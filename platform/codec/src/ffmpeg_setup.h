#pragma once

namespace AVC {

// Call before any FFmpeg work. The system logs nothing of its own, and
// FFmpeg's messages about damaged input would otherwise flood standard error
// once per frame.
void ffmpegSetup();

}  // namespace AVC
