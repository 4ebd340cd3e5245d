// The fragment shader of the material: the interpolated vertex colour, scaled channel by channel by
// the material's colour modifier. The modifier's default leaves the colours as they are, for a
// material that gives none.

float3 g_colorModifier = { 1.0, 1.0, 1.0 };

float4 main(in const float4 i_color : COLOR0) : COLOR0
{
    return float4(i_color.rgb * g_colorModifier, i_color.a);
}
