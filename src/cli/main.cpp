#include <cstdio>

int main()
{
    std::puts("zerath-cli");
    return 0;
}
