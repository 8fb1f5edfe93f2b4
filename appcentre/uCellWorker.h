#pragma once
// Listing a window's entries off the user-interface thread. A worker reads the records and
// loads each icon, then hands record and cell to the window's thread, one by one and in order.
// The window may go at any time: through its link it is cut off under a lock, after which the
// worker posts nothing more and ends, and what was posted but not yet delivered is freed
// unread (a queued call to a destroyed receiver is dropped with its captures).
#include "appcentre/uImageBox.h"
#include "common/uThreadHelper.h"
#include "datastore/uDaobase.h"

#include <QObject>
#include <QSize>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>

class TWindowLink {
public:
  explicit TWindowLink(QObject *window) : FWindow(window) {}

  // Queues `work` to run on the window's thread; false once the window has been cut off.
  bool Post(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FWindow)
      return false;
    QMetaObject::invokeMethod(FWindow, std::move(work), Qt::QueuedConnection);
    return true;
  }
  // Called by the window as it goes, before its members are destroyed.
  void Detach() {
    std::lock_guard<std::mutex> lock(FLock);
    FWindow = nullptr;
  }

private:
  std::mutex FLock;
  QObject *FWindow;
};

// Starts a worker that calls `query`, loads the icon named by each record's `slogo` and hands
// the record with its cell (caption `sname`, pData the record) to `deliver` on the window's
// thread. An icon keeps only what a cell of the size `shown` shows of it, and each icon file is
// read once: entries that share an icon share its pixels. An entry whose icon is missing or
// unreadable is left out alone; an error of the database ends the listing silently.
template <class TRecord>
TThreadHelper *StartCellWorker(std::shared_ptr<TWindowLink> link, std::function<TModelList<TRecord>()> query,
                               std::function<void(std::unique_ptr<TRecord>, std::unique_ptr<TDragCell>)> deliver,
                               QSize shown) {
  struct TDelivery {
    std::unique_ptr<TRecord> Record;
    std::unique_ptr<TDragCell> Cell;
  };
  auto *worker = new TThreadHelper(
      [link = std::move(link), query = std::move(query), deliver = std::move(deliver), shown](QObject *) {
        TModelList<TRecord> records = query();
        std::unordered_map<QString, std::optional<TPicture>> icons;  // nothing: unreadable
        for (std::unique_ptr<TRecord> &record : records) {
          auto icon = icons.find(record->slogo);
          if (icon == icons.end()) {
            std::optional<TPicture> loaded;
            try {
              loaded = TPicture::FromFile(record->slogo).ShownPart(shown);
            } catch (const EPictureError &) {
              // stays empty: every entry with this icon is left out
            }
            icon = icons.emplace(record->slogo, std::move(loaded)).first;
          }
          if (!icon->second)
            continue;  // one entry without its icon takes none of the others with it
          auto delivery = std::make_shared<TDelivery>();
          delivery->Cell = std::make_unique<TDragCell>();
          delivery->Cell->sCaption = record->sname;
          delivery->Cell->sPicture = *icon->second;
          delivery->Cell->pData = record.get();
          delivery->Record = std::move(record);
          if (!link->Post([deliver, delivery] { deliver(std::move(delivery->Record), std::move(delivery->Cell)); }))
            return;
        }
      });
  worker->start();
  return worker;
}
