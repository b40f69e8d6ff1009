// Placeholder translation unit: this layer's classes arrive with their own changes.
namespace brevant::paths_layer { }
