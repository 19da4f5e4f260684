// Shared main for every test binary: a QApplication (offscreen unless the caller
// chose a platform) so that widget and event-loop tests can run.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
