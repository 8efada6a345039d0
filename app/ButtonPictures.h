#pragma once

#include <QIcon>

// The 32 x 32 pictures of the action buttons, drawn rather than shipped.
namespace ButtonPictures {
QIcon addFiles();    // a PDF page with a red plus sign
QIcon convert();     // a PDF page with a small picture in its corner
QIcon addFolder();   // an open yellow folder
QIcon transparent(); // nothing: the button shows only its caption
} // namespace ButtonPictures
