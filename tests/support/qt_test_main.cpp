// Test main for everything that needs a Qt application: forces the offscreen platform first,
// since a Qt program without a display aborts otherwise (listing the tests included), and gives
// the tests a home of their own so that nothing they create lands in the user's folders.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <string>

#include "platform/qt/application_qt.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  // The machine's own cameras are hidden: tests install the synthetic ones they need.
  setenv("LUMATAP_CAMERA", "none", 1);
  char home[] = "/tmp/lumatap-test-home-XXXXXX";
  if (mkdtemp(home)) {
    setenv("HOME", home, 1);
    setenv("XDG_CONFIG_HOME", (std::string(home) + "/.config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home, 1);
  }
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // Posted window messages reach their handles through Qt's loop, as in the program.
  InstallQtApplicationServices();
  const int result = RUN_ALL_TESTS();
  std::system((std::string("rm -rf ") + home).c_str());
  return result;
}
