#pragma once
// The skin's pictures, compiled into every deliverable as Qt resources under ":/skin/"
// (the list is in assets/skin/README.md).
#include "platform/pictures/Picture.h"

// ":/skin/" + name, e.g. SkinPath("btn42x21.png").
QString SkinPath(const QString &name);
// The picture `name` of the skin; a name that is not in the skin raises EPictureError.
TPicture SkinPicture(const QString &name);
