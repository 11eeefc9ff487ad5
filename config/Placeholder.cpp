// Filled by the layer's first real source file.
