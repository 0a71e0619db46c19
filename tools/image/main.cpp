#include "tools/image/ImageTool.h"

int main(int argc, char** argv) {
    return RunImageTool(argc, argv);
}
