// Stand-in for a converter that has nothing to do: ends at once.
int main() { return 0; }
