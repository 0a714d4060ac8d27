// The Linux desktop program: one instance per user (a second start brings the running window
// to the front, has it open the project named on the command line if any, and exits with 0),
// the main window, the event loop. Usage: quorvel-gui [PROJECT.mdl]
#include <QApplication>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include "platform/qt/qt_main_window.h"

namespace {

QString instanceName() {
  return "quorvel-gui-" + qEnvironmentVariable("USER", "user");
}

// True when another instance answered and was asked to come to the front and to open the
// project of the arguments (its absolute path is sent; nothing when none is named).
bool raiseRunningInstance(const QStringList& arguments) {
  QLocalSocket socket;
  socket.connectToServer(instanceName());
  if (!socket.waitForConnected(500)) return false;
  socket.write(arguments.size() > 1 ? QFileInfo(arguments.at(1)).absoluteFilePath().toUtf8()
                                    : QByteArray());
  socket.waitForBytesWritten(500);
  socket.disconnectFromServer();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (raiseRunningInstance(application.arguments())) return 0;
  QLocalServer::removeServer(instanceName());
  QLocalServer server;
  server.listen(instanceName());
  quorvel::QtMainWindow window;
  QObject::connect(&server, &QLocalServer::newConnection, &window, [&] {
    QLocalSocket* second = server.nextPendingConnection();
    second->waitForDisconnected(500);
    const QString project = QString::fromUtf8(second->readAll());
    delete second;
    window.showNormal();
    window.raise();
    window.activateWindow();
    if (!project.isEmpty()) window.openProjectFile(project);
  });
  window.show();
  window.openArguments(application.arguments());
  return application.exec();
}
