// The run-long objects of the scene, defined together so that they are built in this order and
// destroyed in the reverse one: s_planeMesh, s_cubeMesh, s_material.
#include "assets/material.h"
#include "assets/mesh.h"

Material s_material;
Mesh s_cubeMesh;
Mesh s_planeMesh;
