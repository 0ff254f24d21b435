// Writes inputs that the unit tests build byte by byte (well-formed images, fonts, links, compound
// documents, executables with version resources), one folder per fuzz target; tools/fuzz puts
// them into each target's corpus next to the fixture files, so that the fuzzer starts from both.
//   corpus_writer FOLDER       (writes FOLDER/<target>/generated_<name>)
#include "CompoundFileBuilder.h"
#include "FontBuilder.h"
#include "ImageBuilder.h"
#include "ResourceImageBuilder.h"
#include "ShellLinkBuilder.h"
#include "VersionBlockBuilder.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

bool Write(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::string path = folder + "/generated_" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::vector<uint8_t> Png() {
    using namespace image_builder;
    Bytes file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header = {0, 0, 0, 4, 0, 0, 0, 4, 8, 0, 0, 0, 0};
    file = Append(file, PngChunk("IHDR", header));
    file = Append(file, PngChunk("tEXt", Text("Title\0A title")));
    file = Append(file, PngChunk("zTXt", ZtxtData("Comment", ZlibStored(Text("compressed text")))));
    file = Append(file, PngChunk("IDAT", ZlibStored(Bytes(20, 0))));
    return Append(file, PngChunk("IEND", {}));
}

std::vector<uint8_t> Font() {
    using namespace font_builder;
    Bytes names = NameTable({Win(1, u"Family"), Win(2, u"Regular"), Win(4, u"Family Regular"), Win(5, u"1.0"),
                             Mac(1, "Family Mac")});
    return SingleFont({Table{0x6E616D65u, names}});
}

std::vector<uint8_t> Link() {
    using namespace link_test;
    return Cat({Header(0x1 | 0x2 | 0x4 | 0x20), IdList({Item(20), Item(30)}), LinkInfo("C:\\target.exe"),
                Text(u"A description"), Text(u"--flag"), Block(0xA0000006, 0x314), Terminal()});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corpus_writer FOLDER\n");
        return 2;
    }
    const std::string corpus = argv[1];
    bool ok = true;
    ok &= Write(corpus + "/imagecheck", "tiff",
                image_builder::GreyTiff(4, 4, {{0x132, "2000:01:01 12:34:56"}}));
    ok &= Write(corpus + "/imagecheck", "png", Png());
    {
        using namespace image_builder;
        ok &= Write(corpus + "/imagecheck", "jpeg", JpegHeader(0xC2, 640, 480, {0x22, 0x11, 0x11}));
        ok &= Write(corpus + "/imagecheck", "bmp", Bmp({30000, 30000, 8, 1, 40, 256}, {0, 1}));
        ok &= Write(corpus + "/imagecheck", "gif", GifBlocks(10, 20, {{4, 6}, {10, 20}}));
        ok &= Write(corpus + "/imagecheck", "icon",
                    IconFile({{16, 16, 32, IconBitmapHeader(16, 16, 32)},
                              {0, 0, 32, PngHeaderOnly(300, 200, 8, 6)}}));
    }
    ok &= Write(corpus + "/fontnames", "font", Font());
    ok &= Write(corpus + "/shelllink", "link", Link());
    ok &= Write(corpus + "/compoundfile", "summary",
                compound_test::Document(compound_test::PropertySet(compound_test::TypicalSummary())));
    ok &= Write(corpus + "/compoundfile", "set", compound_test::PropertySet(compound_test::TypicalSummary()));
    ok &= Write(corpus + "/versionresource", "pe", resource_test::pe::Image());
    ok &= Write(corpus + "/versionresource", "ne", resource_test::ne::Image());
    ok &= Write(corpus + "/versionresource", "block", resource_test::pe::VersionBlock());
    ok &= Write(corpus + "/executable", "pe", resource_test::pe::Image());
    ok &= Write(corpus + "/executable", "ne", resource_test::ne::Image());
    return ok ? 0 : 1;
}
