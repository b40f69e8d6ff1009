// Placeholder translation unit: this layer's classes arrive with their own changes.
namespace brevant::script_layer { }
