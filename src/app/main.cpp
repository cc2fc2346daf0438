#include "app/Application.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
  Application app(argc, argv);
  return startProgram();
}
