// The IRC connection component. It holds no connection yet, so it ends at once.

#include <QCoreApplication>

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("TvIRC"));
  return 0;
}
