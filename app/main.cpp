#include <cstdio>

int main() {
  std::fputs("swaymo-setup: the wizard is not built yet\n", stderr);
  return 1;
}
