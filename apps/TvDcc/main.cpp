// The one-file transfer program. Without a transfer to carry out it ends at once.

#include <QCoreApplication>

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("TvDcc"));
  return 0;
}
