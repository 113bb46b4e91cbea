#include "app/QtDispatcher.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>

#include <utility>

namespace tervaline::app {

TQtDispatcher::TQtDispatcher() = default;

void TQtDispatcher::Post(std::function<void()> call) {
    // Queued calls to one receiver are delivered in posting order.
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

void TQtDispatcher::RunPending() { QCoreApplication::sendPostedEvents(&context_, QEvent::MetaCall); }

}  // namespace tervaline::app
