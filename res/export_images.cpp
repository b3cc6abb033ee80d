// dravmoor-export-images: writes the program's pictures as files, from the one drawing:
//   DIR/icons/SIZExSIZE.png for each SIZE given (the hicolor icon theme's files),
//   DIR/dravmoor.ico (the usual icon sizes) and DIR/wizard.bmp, which a native build links.
// Runs at build time on the offscreen platform.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "res/image_files.h"
#include "res/images.h"
#include "ui/system.h"

namespace {

bool Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!bytes.empty() && out) return true;
    std::fprintf(stderr, "dravmoor-export-images: cannot write %s\n", path.string().c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: dravmoor-export-images DIR SIZE...\n");
        return 2;
    }
    // The drawing needs the windowing system's fonts.
    const auto system = ui::CreateSystemUi(argv[0], {});
    const std::filesystem::path dir(argv[1]);
    std::filesystem::create_directories(dir / "icons");
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const std::string name = std::to_string(size) + "x" + std::to_string(size) + ".png";
        if (size <= 0 || !Write(dir / "icons" / name, res::EncodePng(res::DrawProgramIcon(size))))
            return 1;
    }
    std::vector<ui::Image> sizes;
    for (int size : res::kIconFileSizes) sizes.push_back(res::DrawProgramIcon(size));
    if (!Write(dir / "dravmoor.ico", res::EncodeIco(sizes))) return 1;
    if (!Write(dir / "wizard.bmp", res::EncodeBmp(res::DrawWizardBitmap()))) return 1;
    return 0;
}
