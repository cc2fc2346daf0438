// TEMPORARY until the base editor lands (replaced on merge).
#include <stdexcept>
#include "workspace/UExper.h"
void TForm2::ADDBaseExecute() { throw std::runtime_error("base name dialog missing"); }
void TForm2::OptionsBaseExecute() { throw std::runtime_error("base editor missing"); }
