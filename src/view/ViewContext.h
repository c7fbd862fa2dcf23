// What the image view reads and calls outside itself: the document's images' values, the application's zoom
// factor and pick state, the pick operations of the mouse, and the message sink. The desktop program
// implements it over the document and the application object; tests implement it with plain fields.
#pragma once

#include "ViewGeometry.h"
#include "core/Messages.h"
#include "image/PixelStore.h"

#include <optional>
#include <string>
#include <vector>

namespace gc {

// A pointer event in pick mode: the window position and the scroll position at the moment of the
// press, and the index of the image shown (the image the pick is taken from).
struct PickPointer {
    ViewPoint window;
    ViewPoint scroll;
    int imageIndex = 0;
};

class ViewContext {
public:
    virtual ~ViewContext() = default;

    // The values of the document's image `index`, which becomes the current one; null when there is
    // none. The store lives until the next call.
    virtual const PixelStore* GetImage(int index) = 0;
    virtual int GetImageCount() const = 0;
    // Full path of the open file (the window title).
    virtual std::string GetImagePath() const = 0;

    virtual float GetZoom() const = 0;

    // Pick state, read at every paint and every mouse message.
    virtual bool IsPickMode() const = 0;
    virtual int GetMaskSize() const = 0;
    virtual std::vector<ViewPoint> GetPicks() const = 0;

    // Mouse operations in pick mode (right press, left press, left double click).
    virtual void AddPick(const PickPointer& pointer) = 0;
    virtual void RemovePick(const PickPointer& pointer) = 0;
    virtual void SavePicks(const PickPointer& pointer) = 0;

    virtual Messages& GetMessages() = 0;

    // The viewer's additions; a context without them keeps the documented behaviour.
    // Sets the zoom factor (Ctrl+wheel); false when the factor cannot change now.
    virtual bool SetZoom(float) { return false; }
    // Ångström per pixel of the open image; 0 when unknown.
    virtual double GetPixelSize() const { return 0; }
    // Boxes saved from image `index` since it was shown, drawn in their own colour.
    virtual std::vector<ViewPoint> GetSavedPicks(int) const { return {}; }
    virtual int GetSavedMaskSize() const { return 0; }
    // A left (`remove`) or right press on the picture, offered first to a review of suggested picks;
    // true when the review took it (the press then does nothing else).
    virtual bool ReviewClick(const PickPointer&, bool /*remove*/) { return false; }
};

} // namespace gc
