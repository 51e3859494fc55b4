// A program that does nothing: its version resource is what the file commands read.
int main() { return 0; }
