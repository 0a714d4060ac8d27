// The Linux desktop program: one instance per user (a second start brings the running window
// to the front and exits with 0), the main window, the event loop.
#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/qt/qt_main_window.h"

namespace {

QString instanceName() {
  return "quorvel-gui-" + qEnvironmentVariable("USER", "user");
}

// True when another instance answered and was asked to come to the front.
bool raiseRunningInstance() {
  QLocalSocket socket;
  socket.connectToServer(instanceName());
  if (!socket.waitForConnected(500)) return false;
  socket.write("raise");
  socket.waitForBytesWritten(500);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (raiseRunningInstance()) return 0;
  QLocalServer::removeServer(instanceName());
  QLocalServer server;
  server.listen(instanceName());
  quorvel::QtMainWindow window;
  QObject::connect(&server, &QLocalServer::newConnection, &window, [&] {
    delete server.nextPendingConnection();
    window.showNormal();
    window.raise();
    window.activateWindow();
  });
  window.show();
  return application.exec();
}
