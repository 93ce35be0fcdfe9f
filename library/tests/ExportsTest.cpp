// The library shows exactly its calls: read from the dynamic symbol table of the built file.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "PanelcastLib.h"

namespace {

// Names of the defined global and weak symbols of an ELF64 file's dynamic symbol table,
// without the symbol-version names.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::set<std::string> names;
  if (file.size() < sizeof(Elf64_Ehdr)) {
    ADD_FAILURE() << "not an ELF file: " << path;
    return names;
  }
  Elf64_Ehdr eh;
  std::memcpy(&eh, file.data(), sizeof eh);
  EXPECT_EQ(0, std::memcmp(eh.e_ident, ELFMAG, SELFMAG));
  EXPECT_EQ(ELFCLASS64, eh.e_ident[EI_CLASS]);
  auto section = [&](size_t i) {
    Elf64_Shdr sh{};
    const size_t at = eh.e_shoff + i * eh.e_shentsize;
    if (at + sizeof sh <= file.size()) std::memcpy(&sh, file.data() + at, sizeof sh);
    return sh;
  };
  for (size_t i = 0; i < eh.e_shnum; ++i) {
    const Elf64_Shdr symtab = section(i);
    if (symtab.sh_type != SHT_DYNSYM) continue;
    const Elf64_Shdr strtab = section(symtab.sh_link);
    for (size_t at = symtab.sh_offset; at + sizeof(Elf64_Sym) <= symtab.sh_offset + symtab.sh_size;
         at += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + at, sizeof sym);
      const int binding = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK)) continue;
      // A version definition shows as an absolute symbol of its own name.
      if (sym.st_shndx == SHN_ABS && sym.st_value == 0) continue;
      names.insert(std::string(file.data() + strtab.sh_offset + sym.st_name));
    }
  }
  return names;
}

TEST(Exports, AreExactlyTheLibraryCalls) {
  const std::set<std::string> expected = {
      // links, commands, options and notifications
      "LED_Open", "LED_Close", "LED_Query", "LED_AdjustTime", "LED_SetPower", "LED_GetPower",
      "LED_SetBrightness", "LED_GetBrightness", "LED_SendToScreen", "LED_DownLoadFontSet",
      "LED_SetOption", "LED_GetOption", "LED_GetNotifyMessage",
      // program building
      "MakeRoot", "AddLeaf", "AddWindow", "AddText", "AddString", "AddMovie", "AddDateTime",
      "AddCountUp", "AddCountDown",
      // notification windows
      "LED_CreateWindow", "LED_DestroyWindow", "LED_GetMessageFd", "LED_DispatchMessages"};
  EXPECT_EQ(expected, DefinedDynamicSymbols(panelcast::test::LibraryPath()));
}

}  // namespace
