#pragma once

// The gallery's screenshot: the window rendered off-screen in both looks,
// visual styles on and off, side by side in one PNG, or one above the other
// when side by side would be too wide.
//
// The PNG names where everything landed, in text entries whose values are
// "x,y,width,height" in the picture's pixels: "themed" and "classic" for
// each look's window, "themed/TITLE" and "classic/TITLE" for each section of
// it, by the title it has in GalleryForm.cpp.

#include <string>

class QImage;

// Renders this process's gallery window (in this run's look), the
// drop-down's pop-up shown open, its sections named in its text entries;
// null image on failure.
QImage RenderGallery();

// Runs this program twice, once per look, each rendering its window
// off-screen, and writes both into `path`. Returns 0, or 1 with the reason
// on standard error.
int WriteGalleryScreenshot(const std::string& path);

// The argument that makes the program render one look into a file.
inline constexpr const char* kRenderLookArgument = "--render-look";
int RenderLookToFile(const std::string& path);
