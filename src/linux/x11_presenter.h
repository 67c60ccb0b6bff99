// Puts pictures on an X window: one image per copy, its pixels repeated to the copy's scale or
// reduced to the copy's place (graphics/copy_image.h), sent with MIT-SHM when the server shares
// memory with us and with XPutImage otherwise (a remote display, for example). Each copy is
// clipped to its monitor.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/copy_image.h"
#include "graphics/raster_surface.h"
#include "reader/placement.h"

class X11Presenter {
public:
    using RowSource = ::RowSource;

    X11Presenter(Display* display, Window window);
    ~X11Presenter();
    X11Presenter(const X11Presenter&) = delete;
    X11Presenter& operator=(const X11Presenter&) = delete;

    // Empty when the window's visual can take our pixels as they are; else why not.
    const std::string& Problem() const { return problem_; }
    bool UsesSharedMemory() const { return shm_; }

    void FillBlack(const Rect& area);
    // Sends to every copy the part of its image that the picture's rows `drawn` touch; a copy
    // whose image is new or whose place or scale moved gets all of it. False when nothing had to be sent. Copy i keeps its
    // pixels in image `firstImage` + i: several pictures on one window each use images of their own.
    bool Present(const RowSource& rows, std::int32_t width, std::int32_t height, const std::vector<CanvasCopy>& copies,
                 RowSpan drawn, std::size_t firstImage = 0);
    // The next Present sends every row: the window's pixels were lost or painted over.
    void Invalidate();
    void DrawText(std::int32_t x, std::int32_t y, const std::string& text);
    // Waits for the server to finish with what was sent, so that no image is rewritten while
    // it still reads it.
    void Finish();

private:
    struct Image {
        XImage* image = nullptr;
        XShmSegmentInfo segment{};
        bool shared = false;
        std::int32_t width = 0;
        std::int32_t height = 0;
        bool current = false;      // holds the picture as last sent, at `destination`
        Rect destination{0, 0, 0, 0};
    };
    Image& ImageOf(std::size_t index, std::int32_t width, std::int32_t height);
    bool MakeShared(Image& image, std::int32_t width, std::int32_t height);
    bool MakePlain(Image& image, std::int32_t width, std::int32_t height);
    void Release(Image& image);

    Display* display_;
    Window window_;
    GC gc_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    bool shm_ = false;
    std::string problem_;
    // Held by pointer: a shared image keeps the address of its segment's record (obdata), so
    // an Image must never move once made.
    std::vector<std::unique_ptr<Image>> images_;
};
