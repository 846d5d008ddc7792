// Writes the program's icon as a .ico file: make_ico PATH
#include <fstream>
#include <iostream>

#include "icon_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_ico PATH\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << mirvo::icon::IconFileBytes();
  return out ? 0 : 1;
}
