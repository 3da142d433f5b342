#include "minimal_pe.h"

#include <string.h>

std::string MinimalPeImage()
{
    std::string s(1024, '\0');
    s[0] = 'M';
    s[1] = 'Z';
    s[0x3C] = 0x40;
    memcpy(&s[0x40], "PE\0\0", 4);
    s[0x44] = 0x4C;
    s[0x45] = 0x01;
    s[0x46] = 1;
    s[0x54] = (char)0xE0;
    s[0x58] = 0x0B;
    s[0x59] = 0x01;
    s[0x58 + 68] = 2;
    s[0x58 + 92] = 16;
    size_t section = 0x58 + 0xE0;
    s[section + 17] = 0x02;  // raw size 0x200
    s[section + 21] = 0x02;  // raw pointer 0x200
    return s;
}
