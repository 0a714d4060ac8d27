// The main window's logic, independent of any window system: the window-system layer turns
// each message into one of these calls (creation, destruction, size, paint, close, keys,
// scrolling, the query click, menu commands).
#pragma once

#include <cstdint>
#include <string>

#include "app/view_state.h"
#include "app/window_system.h"

namespace quorvel {

inline constexpr const char* MAIN_WINDOW_TITLE = "QuorvelApp";
inline constexpr const char* MAIN_WINDOW_CLASS = "QuorvelWndClass";
inline constexpr int32_t MAIN_WINDOW_WIDTH = 800;
inline constexpr int32_t MAIN_WINDOW_HEIGHT = 600;

// Home and End multiply the zoom by these; outside MIN_KEY_ZOOM ... MAX_KEY_ZOOM they stop.
inline constexpr double ZOOM_IN_STEP = 1.1;
inline constexpr double ZOOM_OUT_STEP = 0.9090909090909091;
inline constexpr double MIN_KEY_ZOOM = 1.0 / 1024;
inline constexpr double MAX_KEY_ZOOM = 1024;

// Home and End zoom; the arrow and page keys scroll (the Linux program passes them on; the
// Windows program passes only Home and End, and every other key does nothing).
enum class Key { Home, End, Left, Right, Up, Down, PageUp, PageDown, Other };

void onCreate();   // resets the view, the scan store, the picture and the segmentation settings
void onDestroy();  // releases the scan store and the picture
void onSize(ws::Window window);
void onPaint(ws::Window window, ws::PaintContext dc);
bool onClose(ws::Window window);  // asks; true when the window may be destroyed
void onKeyDown(ws::Window window, Key key);
void onLeftButtonDown(ws::Window window, uint16_t x, uint16_t y);  // client pixels
void onCommand(ws::Window window, int command);                    // unknown identifiers do nothing

// Load Mdl: the open dialog, then openProject.
void loadProject(ws::Window window);

// Opens a project file: the project files all or nothing, then the range picture at line 0.
// A failure shows its message with the path and the reason on the lines below; a project that
// loaded without a picture leaves none. True when the project's picture shows.
bool openProject(ws::Window window, const std::string& mdlPath);

// A failure's message: the window's text, then the path and the reason, each on its own line.
std::string failureText(const std::string& text, const std::string& path,
                        const std::string& reason);

// The segment under a picture point (y upward from the bottom edge), or none. The sample is
// found the way the picture shows it: with the orientation it was built with.
const SegmentRecord* findSegmentAt(const QueryPoint& point);

}  // namespace quorvel
