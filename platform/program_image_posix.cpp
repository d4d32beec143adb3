#include "platform/program_image.h"

#include <elf.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace platform {

namespace {

// The ELF header and the extent its tables and segments reach; false when
// the file is no ELF file of the running program's class.
bool ReadHeader(std::ifstream& in, Elf64_Ehdr& header) {
  in.read(reinterpret_cast<char*>(&header), sizeof header);
  return in.gcount() == sizeof header && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
         header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_ident[EI_DATA] == ELFDATA2LSB;
}

bool Within(uint64_t offset, uint64_t length, uint64_t size) { return offset <= size && length <= size - offset; }

}  // namespace

std::string CheckProgramImage(const std::string& program) {
  static_assert(sizeof(void*) == 8, "the check reads 64-bit ELF headers");
  std::ifstream self("/proc/self/exe", std::ios::binary);
  std::ifstream in(program, std::ios::binary | std::ios::ate);
  if (!in) return "cannot be read";
  const uint64_t size = static_cast<uint64_t>(in.tellg());
  in.seekg(0);
  Elf64_Ehdr own{};
  Elf64_Ehdr header{};
  if (!ReadHeader(in, header)) return "not a program of this machine";
  if (ReadHeader(self, own) && own.e_machine != header.e_machine) {
    return "a program for another machine";
  }
  if (header.e_type != ET_EXEC && header.e_type != ET_DYN) return "not an executable";
  if (header.e_phnum == 0 || header.e_phentsize != sizeof(Elf64_Phdr) ||
      !Within(header.e_phoff, uint64_t{header.e_phnum} * sizeof(Elf64_Phdr), size)) {
    return "cut short (program headers)";
  }
  if (header.e_shoff != 0 && !Within(header.e_shoff, uint64_t{header.e_shnum} * header.e_shentsize, size)) {
    return "cut short (section headers)";
  }
  in.seekg(static_cast<std::streamoff>(header.e_phoff));
  for (unsigned i = 0; i < header.e_phnum; ++i) {
    Elf64_Phdr segment{};
    in.read(reinterpret_cast<char*>(&segment), sizeof segment);
    if (in.gcount() != sizeof segment) return "cut short (program headers)";
    if (segment.p_type == PT_LOAD && !Within(segment.p_offset, segment.p_filesz, size)) {
      return "cut short (a segment passes the end)";
    }
  }
  return {};
}

}  // namespace platform
