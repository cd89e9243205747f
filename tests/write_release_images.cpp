// Writes the small releases of release_image.h as files, for the host half of the stamp's test
// (stamp_tool_test.sh), which needs no cross build: unstamped.exe, the release for every vendor;
// named.exe, the build with the vendor's host and Japanese names; signed.exe, the unstamped one
// signed.
// usage: write_release_images DIR
#include <stdio.h>

#include <string>

#include "release_image.h"

namespace {

bool Write(const std::string& path, const Image& image) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool written = fwrite(image.data(), 1, image.size(), file) == image.size();
    return fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: write_release_images DIR\n", stderr);
        return 2;
    }
    std::string dir = argv[1];
    ReleaseOffsets offsets;
    Image unstamped = BuildRelease({}, &offsets);
    Image named =
        BuildRelease({"regist.vendor-example.jp", u"例示株式会社", u"© 2026 例示株式会社"});
    bool written = Write(dir + "/unstamped.exe", unstamped) && Write(dir + "/named.exe", named) &&
                   Write(dir + "/signed.exe", Signed(unstamped, offsets));
    if (!written) perror(argv[1]);
    return written ? 0 : 1;
}
