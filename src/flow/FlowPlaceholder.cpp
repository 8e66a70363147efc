// Placeholder translation unit until the flow sources land.
