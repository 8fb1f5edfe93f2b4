// The viewer's window as it opens: title picture, minimise and close buttons, and the white
// panel with the loading picture, before the page has loaded.
#include "tools/gallery/Gallery.h"

#include "platform/pictures/GifPlayer.h"
#include "viewer/uFrmExternal.h"

namespace {

const TGalleryPageRegistration Registration("viewer", [] {
  TFrmExternal frm;  // not shown, so it navigates nowhere
  frm.LoadingPicture()->Start(Qt::white);
  Save("viewer_external_loading", Render(frm));
  frm.LoadingPicture()->Stop();
});

}  // namespace
