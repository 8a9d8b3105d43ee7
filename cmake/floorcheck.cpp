// Links one floor of the viewer whole, with only the floors below it.
int main() {
  return 0;
}
