// Torvelin: G/Ta of a receiving antenna, in its own text window.
#include <memory>

#include "calculator/calculator.h"
#include "console/glut/run_windowed.h"

int main(int, char** argv) {
  console::glut::run_windowed(argv[0], [](console::Platform& platform) {
    auto calc = std::make_unique<calculator::Calculator>(platform);
    calc->run();
  });
}
