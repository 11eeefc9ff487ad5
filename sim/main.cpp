#include <cstdio>

int main() {
    std::puts("talmire-sim: module simulator");
    return 0;
}
