// The resource tree is compiled in by qt_add_resources; this library only
// carries it into every program that links the viewer's libraries.
