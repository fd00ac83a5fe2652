// The picture document's clipboard operations.

#include "clipboard/VLClipbrd.h"
#include "document/VLPicChildWn.h"

namespace vellum {

bool TVLPicChildWin::Copy()
{
    // The whole picture, as it is: the document does not change.
    return ClipboardStore().CopyPlainPicture(&Picture());
}

bool TVLPicChildWin::Cut()
{
    // Nothing is cleared unless the clipboard took the picture.
    if (!ClipboardStore().CopyPlainPicture(&Picture()))
        return false;
    Clear();
    return true;
}

bool TVLPicChildWin::PasteFromClipboard()
{
    TXBitmap picture;
    std::int32_t tag = -1;
    // An empty fetch (the clipboard changed since it was asked) is no picture.
    if (!ClipboardStore().HasPicture() || !ClipboardStore().PastePicture(&picture, tag))
        return false;
    return PasteIntoDocument(&picture, tag);
}

bool TVLPicChildWin::PasteIntoDocument(const TXBitmap* picture, int tag)
{
    if (picture == nullptr || picture->Empty())
        return false;
    (void)tag;
    return false;
}

} // namespace vellum
