#include <cstdio>
int main() { std::puts("qx"); return 0; }
