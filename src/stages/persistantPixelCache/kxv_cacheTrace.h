// Source name and line numbers that the persistent pixel cache's call traces
// carry ("%s (file: %s line: %d)"). They are part of the log texts a host
// sees, fixed whatever the layout of the source files.
#ifndef KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_TRACE_H
#define KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_TRACE_H

namespace Kelvane {

inline constexpr const char* kCacheTraceSource = "kxv_persistantPixelCache";

inline constexpr int kTraceWholeSceneDecodeLine = 594;  // decode of the whole scene instead of its cuts
inline constexpr int kTraceCutDecodeLine = 656;         // decode of one cut
inline constexpr int kTraceCutCopyLine = 662;           // copy of a decoded cut into the caller's buffer
inline constexpr int kTraceReadInitializeLine = 830;
inline constexpr int kTraceReadCloseLine = 848;
inline constexpr int kTraceWriteInitializeLine = 886;
inline constexpr int kTraceWriteCloseLine = 961;

}  // namespace Kelvane

#endif  // KELVANE_STAGES_PERSISTANT_PIXEL_CACHE_KXV_CACHE_TRACE_H
