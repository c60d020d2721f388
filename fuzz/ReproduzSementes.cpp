// A fuzz target's entry run outside libFuzzer, on the files named (a folder:
// each file in it, in name order), so that its seeds are a test of the
// ordinary build. A broken invariant aborts, as under the fuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *dados, std::size_t tamanho);

int main(int argc, char **argv)
{
    LLVMFuzzerInitialize(&argc, &argv);
    std::set<std::filesystem::path> arquivos;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path caminho(argv[i]);
        if (std::filesystem::is_directory(caminho)) {
            for (const auto &entrada : std::filesystem::directory_iterator(caminho))
                arquivos.insert(entrada.path());
        } else {
            arquivos.insert(caminho);
        }
    }
    if (arquivos.empty()) {
        std::fprintf(stderr, "no seed given\n");
        return 1;
    }
    for (const std::filesystem::path &arquivo : arquivos) {
        std::ifstream entrada(arquivo, std::ios::binary);
        if (!entrada) {
            std::fprintf(stderr, "%s cannot be read\n", arquivo.c_str());
            return 1;
        }
        const std::vector<char> dados{std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
        std::printf("%s\n", arquivo.filename().c_str());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(dados.data()), dados.size());
    }
    std::printf("%zu seeds run\n", arquivos.size());
    return 0;
}
