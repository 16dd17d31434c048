#pragma once
// Zoom In and Zoom Out as the S key, the tapped A key and the Edit menu run them: the canvas
// point at the centre of the view stays at the centre, under the wait cursor.
namespace kanvo {

class Application;

void zoomInCommand(Application& app);
void zoomOutCommand(Application& app);

}  // namespace kanvo
