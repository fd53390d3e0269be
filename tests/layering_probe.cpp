// Linked with the whole game library and nothing else, so that the layering check sees every
// object of the game and everything those objects pull in.
int main() {
  return 0;
}
