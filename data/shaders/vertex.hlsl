// The vertex shader of the material: places a mesh vertex on the screen and passes its colour on.
// Matrices are used with row vectors, mul(vector, matrix), as the renderer uploads them.

float4x4 g_transform_modelToWorld;
float4x4 g_transform_worldToView;
float4x4 g_transform_viewToScreen;

void main(in const float3 i_position : POSITION0, in const float4 i_color : COLOR0,
          out float4 o_position : POSITION0, out float4 o_color : COLOR0)
{
    const float4 positionInWorld = mul(float4(i_position, 1.0), g_transform_modelToWorld);
    const float4 positionInView = mul(positionInWorld, g_transform_worldToView);
    o_position = mul(positionInView, g_transform_viewToScreen);
    o_color = i_color;
}
