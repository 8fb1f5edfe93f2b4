#pragma once
// What every page of the gallery shares: the output folder, saving a shot (as a PNG file and
// onto the contact sheet), rendering a widget as it looks on screen, and the list of pages that
// the modules add. A module adds its windows with a file of its own in tools/gallery/:
//
//   static const TGalleryPageRegistration Registration("manage", [] { ... Save("window_x", Render(w)); });
#include <QDir>
#include <QFont>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

void SetGalleryFolder(const QDir &folder);
QDir &GalleryFolder();

// Saves the shot as <name>.png; onSheet also puts it on the contact sheet.
void Save(const QString &name, const QImage &image, bool onSheet = true);

// A widget as it looks on screen; for a shaped form, what its mask cuts away is transparent.
QImage Render(QWidget &widget);

QFont Font(const char *family, int pixels, bool bold = false);

// All shots on one sheet (sheet.png), with their names, on a chequered ground.
void SaveSheet();

struct TGalleryPage {
  QString Name;
  std::function<void()> Draw;
};

// The pages added by the modules, in the order of registration.
const std::vector<TGalleryPage> &GalleryPages();

struct TGalleryPageRegistration {
  TGalleryPageRegistration(const QString &name, std::function<void()> draw);
};
