#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <mutex>

namespace {
std::mutex gMutex;
TMessageBoxHandler gHandler;
}  // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(gMutex);
    std::swap(gHandler, handler);
    return handler;
}

bool IsGuiThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

int ShowMessageBox(const TMessageBoxRequest& r) {
    int quiet = r.Buttons == mbOK ? mrOk : mrCancel;
    if (!IsGuiThread()) return quiet;
    TMessageBoxHandler h;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        h = gHandler;
    }
    if (h) return h(r);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return quiet;
    QMessageBox::Icon icon = r.Type == mtWarning        ? QMessageBox::Warning
                             : r.Type == mtError        ? QMessageBox::Critical
                             : r.Type == mtConfirmation ? QMessageBox::Question
                                                        : QMessageBox::Information;
    QMessageBox::StandardButtons b = QMessageBox::Ok;
    if (r.Buttons == mbOKCancel) b = QMessageBox::Ok | QMessageBox::Cancel;
    if (r.Buttons == mbYesNo) b = QMessageBox::Yes | QMessageBox::No;
    if (r.Buttons == mbYesNoCancel) b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(icon, QString::fromStdString(r.Caption), QString::fromStdString(r.Text), b);
    switch (box.exec()) {
        case QMessageBox::Ok: return mrOk;
        case QMessageBox::Cancel: return mrCancel;
        case QMessageBox::Yes: return mrYes;
        case QMessageBox::No: return mrNo;
        default: return mrCancel;
    }
}
